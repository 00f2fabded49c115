// Qt's window set-up asks Direct3D 9 for the graphics adapter before it makes
// a top-level window (to steer OpenGL windows away from a multi-GPU driver
// fault). Tarnwick paints with the CPU only and never uses OpenGL or
// Direct3D, but the question alone starts the graphics driver: under Wine a
// whole OpenGL stack, a good part of a second before the progress window can
// appear. This program's own Direct3DCreate9 answers that none is available,
// which Qt takes as "no adapter known" and goes on without.

extern "C" void* Direct3DCreate9(unsigned int) { return nullptr; }
