#include "export/FenFilesStorage.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/ProcessFolders.h"
#include "platform/foundation/Uuid.h"
#include "platform/image/ImageCodec.h"
#include "platform/pdf/Document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <any>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>

namespace fen {

namespace {

void report(const std::string& message) {
    log::message(log::Level::error, message);
}

// A file name as it can be shown on one line: control characters (a NUL among them) as "?".
std::string printable(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return out;
}

// The temporary folder to name for a write into it that failed with `error`: the temporary
// directory when its file system has no room left (full, or the user's quota used up), since that
// is where room must be made; none for any other failure.
std::filesystem::path folderWithoutRoom(const std::error_code& error) {
    const bool full = error.category() == std::generic_category() &&
                      (error.value() == ENOSPC || error.value() == EDQUOT);
    return full ? FenFilesStorage::temporaryDirectoryPath() : std::filesystem::path();
}

// Removes a folder this writer made and that holds nothing of use after a failure.
void discardFolder(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

// Writes all of `bytes` to a new file at `path` (replacing none: the folder is fresh).
std::error_code writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return {errno, std::generic_category()};
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::error_code ec(errno, std::generic_category());
            ::close(fd);
            return ec;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        return {errno, std::generic_category()};
    }
    return {};
}

// The folders of the program's own files, each with its holder once one was asked for. Never
// destroyed: workers may still write while the program ends.
struct OwnFolders {
    struct Entry {
        std::weak_ptr<TemporaryFolder> holder;
        // A holder was made: once it is gone, so is the folder.
        bool held = false;
    };
    std::mutex mutex;
    std::map<std::filesystem::path, Entry> entries;
    // The folders of written documents that no one adopted yet.
    std::set<std::filesystem::path> documents;

    static OwnFolders& shared() {
        static auto* folders = new OwnFolders;
        return *folders;
    }
};

// The process's own folders, one per temporary directory used while a ProcessFolderScope lives
// (one in practice: a run does not change its temporary directory). Never destroyed, as
// OwnFolders.
struct ProcessFolders {
    std::mutex mutex;
    int scopes = 0;
    std::map<std::filesystem::path, std::unique_ptr<processfolders::ProcessFolder>> folders;

    static ProcessFolders& shared() {
        static auto* folders = new ProcessFolders;
        return *folders;
    }
};

// Removes the process's own folders with everything in them.
void releaseProcessFolders() {
    std::map<std::filesystem::path, std::unique_ptr<processfolders::ProcessFolder>> folders;
    ProcessFolders& process = ProcessFolders::shared();
    std::lock_guard lock(process.mutex);
    folders.swap(process.folders);
}

void removeOwnFoldersAtExit() {
    FenFilesStorage::removeOwnFolders();
    releaseProcessFolders();
}

// The folder new temporary folders are made in: the temporary directory, or while a
// ProcessFolderScope lives the process's own folder there, claimed on first use in that
// directory after the leftovers of ended runs are swept. The process's folder is in the per-user
// folder, or directly in the temporary directory when the per-user folder is not the user's own
// (another user made it first). When the process's folder was removed from under it, a new one is
// claimed.
std::optional<std::filesystem::path> folderParent(std::error_code& error,
                                                  std::filesystem::path* unusable) {
    std::optional<std::filesystem::path> base = FenFilesStorage::temporaryDirectory(error);
    if (!base) {
        if (unusable) {
            *unusable = FenFilesStorage::temporaryDirectoryPath();
        }
        return std::nullopt;
    }
    ProcessFolders& process = ProcessFolders::shared();
    std::lock_guard lock(process.mutex);
    if (process.scopes == 0) {
        return base;
    }
    std::unique_ptr<processfolders::ProcessFolder>& folder = process.folders[*base];
    if (folder && folder->exists()) {
        return folder->path();
    }
    const bool first = !folder;
    if (first) {
        processfolders::sweepAlone(*base);
    }
    std::filesystem::path refused;
    if (std::optional<std::filesystem::path> user =
            processfolders::userFolder(*base, error, &refused)) {
        if (first) {
            processfolders::sweep(*user);
        }
        folder = processfolders::ProcessFolder::claim(*user, error);
        refused = *user;
    } else {
        folder = processfolders::ProcessFolder::claimAlone(*base, error);
        refused = *base;
    }
    if (!folder) {
        if (unusable) {
            *unusable = refused;
        }
        return std::nullopt;
    }
    return folder->path();
}

// The key of a folder: as the folder of a file's URL names it (absolute, normal form).
std::filesystem::path folderKey(const std::filesystem::path& folder) {
    return Url::fileURL(folder).path();
}

// Arranges, once, that whatever is left of the program's own folders goes when the program ends.
void removeOwnFoldersAtEnd() {
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(removeOwnFoldersAtExit); });
}

// Remembers a folder made for the program's own use.
void rememberOwnFolder(const std::filesystem::path& folder) {
    removeOwnFoldersAtEnd();
    OwnFolders& own = OwnFolders::shared();
    const std::filesystem::path key = folderKey(folder);
    std::lock_guard lock(own.mutex);
    own.entries[key] = {};
}

// Remembers the folder of a written document, which only an adoption makes the program's own.
void rememberDocumentFolder(const std::filesystem::path& folder) {
    OwnFolders& own = OwnFolders::shared();
    const std::filesystem::path key = folderKey(folder);
    std::lock_guard lock(own.mutex);
    own.documents.insert(key);
}

std::optional<Url> writeDataNamed(const std::string* data, const std::string& fileName,
                                  FenFilesStorage::WriteFailure* why = nullptr) {
    if (!FenFilesStorage::isValidFileName(fileName)) {
        report("The file name \"" + printable(fileName) + "\" is not valid.");
        if (why) {
            *why = {false, std::make_error_code(std::errc::invalid_argument), {}};
        }
        return std::nullopt;
    }
    std::error_code ec;
    std::filesystem::path unusable;
    std::optional<std::filesystem::path> folder =
        FenFilesStorage::makeTemporaryFolder(ec, &unusable);
    if (!folder) {
        report("Could not create a temporary folder in \"" + unusable.string() +
               "\": " + ec.message());
        if (why) {
            *why = {true, ec, unusable};
        }
        return std::nullopt;
    }
    std::filesystem::path file = *folder / fileName;
    if (data) {
        if (std::error_code failure = writeBytes(file, *data)) {
            report("Could not write \"" + file.string() + "\": " + failure.message());
            discardFolder(*folder);
            if (why) {
                *why = {false, failure, folderWithoutRoom(failure)};
            }
            return std::nullopt;
        }
    }
    rememberOwnFolder(*folder);
    return Url::fileURL(file);
}

} // namespace

bool FenFilesStorage::isValidFileName(const std::string& fileName) {
    return !fileName.empty() && fileName != "." && fileName != ".." &&
           fileName.find('/') == std::string::npos && fileName.find('\0') == std::string::npos;
}

std::atomic<bool>& FenFilesStorage::interruption() {
    static std::atomic<bool> interrupted{false};
    return interrupted;
}

std::filesystem::path FenFilesStorage::temporaryDirectoryPath() {
    for (const char* variable : {"TMPDIR", "TMP", "TEMP", "TEMPDIR"}) {
        const char* value = std::getenv(variable);
        if (value && *value) {
            return value;
        }
    }
    return "/tmp";
}

std::optional<std::filesystem::path> FenFilesStorage::temporaryDirectory(std::error_code& error) {
    error.clear();
    std::filesystem::path base = temporaryDirectoryPath();
    struct stat status {};
    if (::stat(base.c_str(), &status) != 0) {
        error.assign(errno, std::generic_category());
        return std::nullopt;
    }
    if (!S_ISDIR(status.st_mode)) {
        error = std::make_error_code(std::errc::not_a_directory);
        return std::nullopt;
    }
    return base;
}

std::optional<std::filesystem::path>
FenFilesStorage::makeTemporaryFolder(std::error_code& error, std::filesystem::path* unusable) {
    std::optional<std::filesystem::path> parent = folderParent(error, unusable);
    if (!parent) {
        return std::nullopt;
    }
    std::filesystem::path folder = *parent / newUuidString();
    // Only the owner enters it, whatever the umask: the shared temporary directory is open to
    // every user of the machine.
    if (::mkdir(folder.c_str(), 0700) != 0) {
        error.assign(errno, std::generic_category());
        if (unusable) {
            *unusable = *parent;
        }
        return std::nullopt;
    }
    return folder;
}

FenFilesStorage::ProcessFolderScope::ProcessFolderScope() {
    {
        ProcessFolders& process = ProcessFolders::shared();
        std::lock_guard lock(process.mutex);
        ++process.scopes;
    }
    removeOwnFoldersAtEnd();
    // The leftovers go at the start, whether or not this run ever makes a folder; a temporary
    // directory that cannot be used is told when a folder is wanted.
    std::error_code ignored;
    folderParent(ignored, nullptr);
}

FenFilesStorage::ProcessFolderScope::~ProcessFolderScope() {
    {
        ProcessFolders& process = ProcessFolders::shared();
        std::lock_guard lock(process.mutex);
        if (--process.scopes > 0) {
            return;
        }
    }
    releaseProcessFolders();
}

TemporaryFolder::~TemporaryFolder() {
    OwnFolders& own = OwnFolders::shared();
    {
        std::lock_guard lock(own.mutex);
        // Gone already when the program removed every folder of its own.
        if (own.entries.erase(folder_) == 0) {
            return;
        }
    }
    discardFolder(folder_);
}

std::shared_ptr<TemporaryFolder> FenFilesStorage::keep(const Url& file) {
    if (!file.isFileURL()) {
        return nullptr;
    }
    OwnFolders& own = OwnFolders::shared();
    std::lock_guard lock(own.mutex);
    const auto found = own.entries.find(file.path().parent_path());
    if (found == own.entries.end()) {
        return nullptr;
    }
    OwnFolders::Entry& entry = found->second;
    if (std::shared_ptr<TemporaryFolder> holder = entry.holder.lock()) {
        return holder;
    }
    // Its last holder let go and is removing it.
    if (entry.held) {
        return nullptr;
    }
    auto holder = std::make_shared<TemporaryFolder>(found->first);
    entry.holder = holder;
    entry.held = true;
    return holder;
}

std::shared_ptr<TemporaryFolder> FenFilesStorage::adopt(const Url& file) {
    if (file.isFileURL()) {
        removeOwnFoldersAtEnd();
        OwnFolders& own = OwnFolders::shared();
        std::lock_guard lock(own.mutex);
        if (own.documents.erase(file.path().parent_path()) > 0) {
            own.entries[file.path().parent_path()] = {};
        }
    }
    return keep(file);
}

void FenFilesStorage::removeOwnFolders() {
    std::map<std::filesystem::path, OwnFolders::Entry> entries;
    {
        OwnFolders& own = OwnFolders::shared();
        std::lock_guard lock(own.mutex);
        entries.swap(own.entries);
    }
    for (const auto& [folder, entry] : entries) {
        discardFolder(folder);
    }
}

std::optional<Url> FenFilesStorage::writeImageData(const std::optional<std::string>& data,
                                                   bool isPDF) {
    return writeDataNamed(data ? &*data : nullptr, isPDF ? "image.pdf" : "image");
}

std::optional<Url> FenFilesStorage::writeImageData(const std::string& data, bool isPDF) {
    return writeDataNamed(&data, isPDF ? "image.pdf" : "image");
}

std::optional<Url> FenFilesStorage::writeImageData(const std::string& data, bool isPDF,
                                                   WriteFailure& failure) {
    return writeDataNamed(&data, isPDF ? "image.pdf" : "image", &failure);
}

std::optional<Url> FenFilesStorage::writeData(const std::optional<std::string>& data,
                                              const std::string& fileName) {
    return writeDataNamed(data ? &*data : nullptr, fileName);
}

std::optional<Url> FenFilesStorage::writeData(const std::string& data,
                                              const std::string& fileName) {
    return writeDataNamed(&data, fileName);
}

std::optional<Url> FenFilesStorage::writeQRCodePNG(const gfx::Image& picture) {
    if (picture.isNull()) {
        return std::nullopt;
    }
    std::error_code ec;
    std::optional<std::filesystem::path> folder = makeTemporaryFolder(ec);
    if (!folder) {
        return std::nullopt;
    }
    std::filesystem::path file = *folder / "qrcode.png";
    if (!gfx::ImageCodec::writePNG(picture, file)) {
        discardFolder(*folder);
        return std::nullopt;
    }
    rememberOwnFolder(*folder);
    return Url::fileURL(file);
}

std::optional<Url> FenFilesStorage::writeDocumentToTemporaryFile(
    pdf::Document* document, const std::optional<std::string>& password,
    const std::string& fileName, const std::atomic<bool>* stop, WriteFailure* failure,
    bool keepEncryption) {
    if (!document) {
        report("No document to write as \"" + printable(fileName) + "\".");
        return std::nullopt;
    }
    if (!isValidFileName(fileName)) {
        if (failure) {
            *failure = WriteFailure{false, std::make_error_code(std::errc::invalid_argument), {}};
        } else {
            report("The file name \"" + printable(fileName) + "\" is not valid.");
        }
        return std::nullopt;
    }
    std::error_code ec;
    std::filesystem::path unusable;
    std::optional<std::filesystem::path> folder = makeTemporaryFolder(ec, &unusable);
    if (!folder) {
        if (failure) {
            *failure = WriteFailure{true, ec, unusable};
        } else {
            report("Could not create a temporary folder in \"" + unusable.string() +
                   "\": " + ec.message());
        }
        return std::nullopt;
    }
    std::filesystem::path file = *folder / fileName;

    auto progress = [document](pdf::WriteStage stage, int pageIndex) {
        NotificationCenter& center = NotificationCenter::defaultCenter();
        switch (stage) {
        case pdf::WriteStage::begin:
            center.post(pdfDocumentDidBeginWriteNotification, document);
            break;
        case pdf::WriteStage::pageEnd:
            center.post(pdfDocumentDidEndPageWriteNotification, document,
                        {{pdfDocumentPageIndexKey, std::any(pageIndex)}});
            break;
        case pdf::WriteStage::end:
            center.post(pdfDocumentDidEndWriteNotification, document);
            break;
        case pdf::WriteStage::pageMerged:
        case pdf::WriteStage::fileWritten:
            // The notifications follow the pages drawn; merging and writing are not told.
            break;
        }
    };
    pdf::WriteOptions options;
    options.password = password;
    options.keepEncryption = keepEncryption;
    std::error_code writeError;
    options.systemError = &writeError;
    if (!document->write(file.string(), options, progress, stop ? stop : &interruption())) {
        if (failure) {
            *failure = WriteFailure{false, writeError, folderWithoutRoom(writeError)};
        } else {
            report("Could not write \"" + file.string() + "\".");
        }
        discardFolder(*folder);
        return std::nullopt;
    }
    rememberDocumentFolder(*folder);
    return Url::fileURL(file);
}

} // namespace fen
