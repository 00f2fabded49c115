#pragma once
// TRAR: the archive component. It owns the binding to the extraction library,
// loads it on first use, lists an archive into TRARArchiveInformation and
// OnListFile, extracts it below a folder, and turns the library's one callback
// into typed events. Every library result is reported through OnError, zero
// included. Exceptions inside a step turn that step's result false.
//
// Single-threaded: events run inside ListArchive/ExtractArchive on the
// caller's thread; a handler may call AbortOperation, which the next callback
// answers with "stop" and the walk honours before its next entry.
//
// No entry is written outside the destination folder: names that are
// absolute, carry a drive letter, or hold ".." or empty components, and names
// the library would cut (over 1,023 characters, or a destination over 2,047
// characters or bytes), are skipped as failed entries, and
// no entry is written through a symbolic link that already exists at or above
// its destination inside that folder. Folders are created and entered
// relative to the output folder held open from the start of the walk, so a
// folder moved away or replaced by a link during it redirects nothing. A
// name is written as the library writes it (cut before a character UTF-8
// cannot encode), never under replacement characters. An extraction fails
// when the block chain of a volume it went through is damaged
// (archive/BlockChain.h), or, where headers are encrypted, when that chain,
// decrypted with the password the library took, is cut short; a file the
// library would crash on (some main headers, whatever their checksum) is
// never handed to it. A symbolic link the library makes by its path (a
// target with "..", an old archive's link) goes by its path below the held
// output folder, and fails where a folder of that path became a link.
//
// A file (hard links and file copies too) is written under a hidden
// temporary name in its folder and renamed to its real name only when the
// library reports it complete and checked, so a stop, a failed check or a
// crash never leaves a half file under the real name, and a file it replaces
// is swapped in one step; a hard link or file copy the library refuses is a
// failed entry; the folders made for a file stay once the library began to
// write it, as `unrar x` leaves them. Temporary files of runs that no longer
// run are removed from a folder the first time the walk writes there. Older
// versions of a file ("name;N" beside "name") are passed over.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "archive/RAR_DLL.h"
#include "platform/Files.h"

enum TRAROperation { roLoadDLL, roOpenArchive, roCloseArchive, roListFiles, roExtract, roTest };

enum TRARReplaceAction { rrCancel, rrOverwrite, rrSkip };

// The running operation's progress.
struct TRARProgressInfo {
    std::int64_t FileBytesDone = 0;
    std::int64_t FileBytesTotal = 0;
    std::wstring FileName;  // the entry being processed
    std::int64_t ArchiveBytesDone = 0;
    std::int64_t ArchiveBytesTotal = 0;
};

// One side of an overwrite question. The component passes the file on disk as
// ExistingData and the entry in the archive as NewData; FileName is the
// destination path in both.
struct TRARReplaceData {
    std::wstring FileName;
    std::int64_t Size = 0;       // bytes
    rardll::TDateTime Time = 0;  // days since 30 December 1899
};

// One listed entry, handed to OnListFile.
struct TRARFileItem {
    std::string FileName;  // as the header gives it (UTF-8)
    std::wstring FileNameW;
    std::int64_t CompressedSize = 0;  // for the last part of a split file: all parts
    std::int64_t UnCompressedSize = 0;
    std::string HostOS;
    std::string CRC;  // upper-case hexadecimal, no leading zeros
    std::int32_t Attributes = 0;
    std::string Comment;  // always empty
    rardll::TDateTime Time = 0;
    std::int32_t CompressionMethod = 0;
    std::int32_t UnpackVersion = 0;  // e.g. 29
    bool Encrypted = false;
};

class TRAR;

// What a listing found out about the archive; the component's
// ArchiveInformation. Reset at the start of every listing; an extraction
// reads only the archive flags, the comment and SFX into it again.
class TRARArchiveInformation {
public:
    bool ListingDone() const { return ListingDone_; }

    const std::string& FileName() const { return FileName_; }
    std::uint32_t ArchiverMajorVersion() const { return ArchiverMajorVersion_; }
    std::uint32_t ArchiverMinorVersion() const { return ArchiverMinorVersion_; }
    std::int64_t DictionarySize() const { return DictionarySize_; }
    bool Encryption() const { return Encryption_; }
    bool Solid() const { return Solid_; }
    const std::string& HostOS() const { return HostOS_; }
    std::int32_t TotalFiles() const { return TotalFiles_; }
    std::int64_t CompressedSize() const { return CompressedSize_; }
    std::int64_t UnCompressedSize() const { return UnCompressedSize_; }
    bool HeaderEncrypted() const { return HeaderEncrypted_; }
    bool MultiVolume() const { return MultiVolume_; }
    bool ArchiveComment() const { return ArchiveComment_; }
    bool FileComment() const { return FileComment_; }
    const std::string& Comment() const { return Comment_; }
    bool Signed() const { return Signed_; }
    bool Locked() const { return Locked_; }
    bool Recovery() const { return Recovery_; }
    bool SFX() const { return SFX_; }

private:
    friend class TRAR;
    void Reset() { *this = TRARArchiveInformation(); }

    bool ListingDone_ = false;
    std::string FileName_;
    std::uint32_t ArchiverMajorVersion_ = 0;
    std::uint32_t ArchiverMinorVersion_ = 0;
    std::int64_t DictionarySize_ = 0;
    bool Encryption_ = false;
    bool Solid_ = false;
    std::string HostOS_;
    std::int32_t TotalFiles_ = 0;
    std::int64_t CompressedSize_ = 0;
    std::int64_t UnCompressedSize_ = 0;
    bool HeaderEncrypted_ = false;
    bool MultiVolume_ = false;
    bool ArchiveComment_ = false;
    bool FileComment_ = false;
    std::string Comment_;
    bool Signed_ = false;
    bool Locked_ = false;
    bool Recovery_ = false;
    bool SFX_ = false;
};

// Events. Output parameters hold their preset value when the handler runs; a
// handler that leaves them alone keeps it.
using TOnRARError =
    std::function<void(TRAR& Sender, std::int32_t ErrorCode, TRAROperation Operation)>;
using TOnRARListFile = std::function<void(TRAR& Sender, const TRARFileItem& FileInformation)>;
// NewPassword preset empty, Cancel preset false.
using TOnRARPasswordRequired =
    std::function<void(TRAR& Sender, bool HeaderPassword, const std::wstring& FileName,
                       std::string& NewPassword, bool& Cancel)>;
// newFileName preset empty, Cancel preset false.
using TOnRARNextVolumeRequired = std::function<void(
    TRAR& Sender, const std::string& requiredFileName, std::string& newFileName, bool& Cancel)>;
using TOnRARProcess = std::function<void(
    TRAR& Sender, const std::wstring& FileName, std::int64_t ArchiveBytesTotal,
    std::int64_t ArchiveBytesDone, std::int64_t FileBytesTotal, std::int64_t FileBytesDone)>;
// Action preset rrSkip.
using TOnRARReplace =
    std::function<void(TRAR& Sender, const TRARReplaceData& ExistingData,
                       const TRARReplaceData& NewData, TRARReplaceAction& Action)>;
using TOnRARVolumeChanged = std::function<void(TRAR& Sender, const std::string& NewVolumeName)>;
using TOnRARFileProcessed = std::function<void(TRAR& Sender, const std::wstring& FileName,
                                               TRAROperation Operation, std::int32_t Result)>;

class TRAR {
public:
    TRAR();
    ~TRAR();
    TRAR(const TRAR&) = delete;
    TRAR& operator=(const TRAR&) = delete;

    // Read-only properties.
    std::string Version() const { return "2.0"; }
    const TRARArchiveInformation& ArchiveInformation() const { return ArchiveInformation_; }
    bool LibraryLoaded() const { return Library_->Loaded(); }

    // Read/write properties, with their values at creation.
    bool ReadMultiVolumeToEnd = true;
    bool AutoNextVolumeOnList = true;
    bool ForceTestToEnd = true;
    // The library file; TARNWICK_UNRAR_LIBRARY, when set, is loaded instead.
    std::string DllName = rardll::kDefaultLibraryName;

    // Entries that ExtractArchive passes over without a question, as if not
    // chosen: those an earlier attempt of the same run has already extracted.
    // Each name (as listed) with how many of its copies, in archive order, to
    // pass over: of a name stored twice, a later copy that failed is tried
    // again.
    std::unordered_map<std::wstring, unsigned> SkipEntries;
    // The entries the last ExtractArchive met, by name: how many copies of
    // the name, and the number of the last copy it extracted completely (0
    // for none).
    struct EntryCopies {
        unsigned seen = 0;
        unsigned completed = 0;
    };
    std::unordered_map<std::wstring, EntryCopies> ExtractedCopies() const;

    TOnRARError OnError;
    TOnRARListFile OnListFile;
    TOnRARPasswordRequired OnPasswordRequired;
    TOnRARNextVolumeRequired OnNextVolumeRequired;
    // Called while the library writes a file; when the run's paths are
    // absolute, the process's working folder is that file's folder
    // meanwhile: the handler uses no relative path.
    TOnRARProcess OnProgress;
    TOnRARReplace OnReplace;
    TOnRARVolumeChanged OnVolumeChanged;
    TOnRARFileProcessed OnFileProcessed;

    // Walks every entry of the archive, filling ArchiveInformation and firing
    // OnListFile. The result is that of closing the archive: true unless the
    // library is missing or refuses to close it; a damaged archive lists
    // with result true and fails in extraction.
    bool ListArchive(const std::string& FileName);

    // Extracts the chosen entries of the archive last listed below
    // DestFolder, with their folders when RestoreFolders. With FileMasks
    // empty every entry is chosen; otherwise an entry is chosen when its name
    // equals an item or its destination matches an item as a wildcard mask
    // (*, ?, [set]), both without regard to case. True when the open, every
    // entry and the close succeeded. A folder whose bytes are not UTF-8
    // comes in the library's escape (rardll::NativeToWide).
    bool ExtractArchive(const std::wstring& DestFolder, bool RestoreFolders,
                        const std::vector<std::string>& FileMasks = {});

    // Lists the file for an extraction that needs of the listing only the
    // archive's total size. Where the block chain of a single whole archive
    // gives the total exactly as the library's listing would
    // (rardll::ListingFromChain), and no handler of the listing's events
    // (OnListFile, OnFileProcessed, OnError) is set, the chain stands for
    // the listing: ArchiveInformation then holds the file name and the
    // uncompressed total, the rest as before any listing, and the library
    // does not read the archive first. Otherwise ListArchive. The result as
    // ListArchive's.
    bool ListForExtraction(const std::string& FileName);

    // True when the last listing (ListArchive, or ListForExtraction) read
    // this same file to its end, with no password asked and no other volume,
    // and the file is unchanged since (same device, inode, size and
    // modification time): listing it again the same way would learn nothing
    // new, and ArchiveInformation still holds what that listing gave.
    bool ListingCurrent(const std::string& FileName) const;

    // True when the library opens the file and it is a single archive or the
    // first volume of a set; false when it is a later volume or its headers
    // cannot be read without a password.
    bool FirstOrSingleArchive(const std::string& FileName);

    // Asks the running operation to stop; safe from any event handler.
    void AbortOperation() { AbortRequested_ = true; }
    bool AbortRequested() const { return AbortRequested_; }

    // The progress of the running (or last) operation.
    const TRARProgressInfo& ProgressInfo() const { return Progress_; }

private:
    struct Impl;
    friend struct Impl;
    static int Callback(unsigned int msg, rardll::LPARAM UserData, rardll::LPARAM P1,
                        rardll::LPARAM P2);
    int Dispatch(unsigned int msg, rardll::LPARAM P1, rardll::LPARAM P2);

    bool LoadLibrary();
    bool OpenArchive(bool forExtraction);
    bool ReopenAtNextVolume();
    bool CloseArchive();
    bool ArchiveOpen() const;
    bool ReadArchiveFlagsAndComment();
    bool Walk(int operation, const std::vector<std::string>& fileMasks, bool restoreFolders,
              const std::wstring& destFolder);
    void CollectEntry();
    void Report(int code, TRAROperation operation);

    std::unique_ptr<rardll::TUnrarLibrary> Library_;
    void* Handle_ = nullptr;
    std::unique_ptr<rardll::RARHeaderDataEx> Header_;
    rardll::RAROpenArchiveDataEx OpenData_{};
    bool AbortRequested_ = false;
    bool WalkInProgress_ = false;
    // The file the library reads now goes on in the next volume; since the
    // library changed volumes, the new volume's first file tells.
    bool SplitGoesOn_ = false;
    bool SplitGoesOnFromVolume_ = false;
    bool Reopening_ = false;  // a later volume is being opened anew
    std::int64_t SplitPackedSize_ = 0;
    std::string Password_;  // preset password; nothing in the program sets it
    std::string GivenPassword_;  // the last password handed to the library
    std::wstring FirstEntryName_;
    std::vector<std::wstring> ListedNames_;  // every entry name of the last listing
    // The entries of the last extraction in archive order, and whether each
    // was extracted completely.
    std::vector<std::pair<std::wstring, bool>> Entries_;
    std::unique_ptr<char[]> CommentBuffer_;
    TRARProgressInfo Progress_;
    TRARArchiveInformation ArchiveInformation_;
    std::string OpenedArchive_;  // the archive name given to the library
    std::string CurrentVolume_;  // the volume the library reads now
    std::vector<std::string> OpenedVolumes_;  // every volume this open reached
    // The archive file as the last listing found it, when that listing can
    // stand for another of the unchanged file.
    bool ListingReusable_ = false;
    platform::FileIdentity ListedFile_;
};

// Whether `name` matches the wildcard `mask` (*, ?, [set], [!set], [a-z]),
// without regard to case. '*' matches any run of characters, '/' included.
bool MatchesMask(const std::wstring& name, const std::wstring& mask);
