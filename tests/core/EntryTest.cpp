// Which run the program makes of its first argument.

#include <gtest/gtest.h>

#include "app/Entry.h"

namespace {

TEST(EntryArguments, DecideTheRun) {
    using entry::Run;
    const struct {
        const char* arg;
        Run run;
    } rows[] = {
        {nullptr, Run::PlainStart},
        {"", Run::PlainStart},
        {"   ", Run::PlainStart},
        {" \t\r\n ", Run::PlainStart},
        {"shutdown", Run::Shutdown},
        {"Shutdown", Run::Extraction},
        {"SHUTDOWN", Run::Extraction},
        {" shutdown", Run::Extraction},
        {"shutdown ", Run::Extraction},
        {"x", Run::Extraction},
        {"/home/u/Photos.RAR", Run::Extraction},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.run, entry::Decide(row.arg)) << (row.arg ? row.arg : "(none)");
}

TEST(EntryArguments, ArchiveExtension) {
    EXPECT_EQ(".rar", entry::ArchiveExtension("/home/u/Photos.RAR"));
    EXPECT_EQ("x", entry::ArchiveExtension("x"));
    EXPECT_EQ("ab", entry::ArchiveExtension("AB"));
    EXPECT_EQ("\xc3\x84.z", entry::ArchiveExtension("\xc3\x84.Z")) << "only A-Z change";
    EXPECT_EQ("", entry::ArchiveExtension(""));
}

}  // namespace
