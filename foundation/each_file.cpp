#include "foundation/each_file.h"

#include <array>

#include <cstring>
#include <optional>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/system_calls.h"
#include "foundation/text_platform.h"

namespace kb {

namespace {

// The entries of folder whose state (links followed) passes keep; "." and ".." skipped.
template <typename Keep>
std::vector<std::string> ListNames(const std::string& folder, Keep keep) {
    std::vector<std::string> names;
    EachFileDir entries(folder);
    while (!entries.Next()) {
        // A plain join: names that path checks refuse must still be listed.
        if (keep(os::StateOf(InFolder(folder, entries.Name()), true)))
            names.push_back(entries.Name());
    }
    return names;
}

}  // namespace

std::string FolderListingProblem(const std::string& folder) {
    const os::FolderReader reader(folder);
    return reader.Opened() ? std::string() : reader.Problem();
}

struct EachFileDir::Handle {
    explicit Handle(const std::string& folder) : reader(folder) {}
    os::FolderReader reader;
};

void EachFileDir::CloseHandle::operator()(Handle* handle) const {
    delete handle;
}

EachFileDir::EachFileDir(std::string folder) : folder_(std::move(folder)) {
    Reset();
}

EachFileDir::~EachFileDir() = default;

void EachFileDir::Close() {
    handle_.reset();
}

void EachFileDir::Reset() {
    Close();
    if (folder_.empty())
        return;
    auto handle = std::make_unique<Handle>(folder_);
    if (handle->reader.Opened())
        handle_.reset(handle.release());
}

bool EachFileDir::Next() {
    if (handle_ == nullptr)
        return true;
    os::EntryKind kind{};
    return !handle_->reader.Next(current_, kind);
}

void EachFileDir::End() {
    Close();
}

std::string EachFileDir::Current() const {
    return FullPath(folder_, current_);
}

// An entry whose state cannot be read counts as a file.
EachFile::EachFile(std::string folder, std::string /*mask*/)
    : folder_(std::move(folder)), names_(ListNames(folder_, [](const os::PathState& state) {
          return !state.exists || !state.folder;
      })) {}

bool EachFile::Next() {
    if (position_ >= names_.size())
        return true;
    current_ = names_[position_++];
    return false;
}

std::string EachFile::CurrentPath() const {
    return FullPath(folder_, current_);
}

EachDirectory::EachDirectory(std::string folder)
    : folder_(std::move(folder)), names_(ListNames(folder_, [](const os::PathState& state) {
          return state.exists && state.folder;
      })) {}

bool EachDirectory::Next() {
    if (position_ >= names_.size())
        return true;
    current_ = names_[position_++];
    currentPath_ = FullPath(folder_, current_);
    return false;
}

}  // namespace kb

namespace kb {

namespace {

void AsciiUpper(std::string_view text, std::string& out) {
    out.assign(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
}

constexpr std::uint32_t kNoName = UINT32_MAX;

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

size_t LastSeparator(std::string_view path) {
    return path.find_last_of("/\\");
}

// Keeps a root: "/", "C:\\".
void StripTrailingSeparators(std::string_view& path) {
    while (path.size() > 1 && IsSeparator(path.back()) && !(path.size() == 3 && path[1] == ':'))
        path.remove_suffix(1);
}

bool IsBelow(std::string_view path, std::string_view base) {
    return path.size() > base.size() && path.starts_with(base) && IsSeparator(path[base.size()]);
}

}  // namespace

std::string FoldNameCase(std::string_view name) {
    std::string out;
    FoldNameCase(name, out);
    return out;
}

void FoldNameCase(std::string_view name, std::string& out) {
    // ASCII names, nearly all, are folded in the one pass that finds them ASCII.
    static constexpr std::array<char, 256> kAsciiUpper = [] {
        std::array<char, 256> table{};
        for (size_t c = 0; c < 256; ++c)
            table[c] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        return table;
    }();
    out.resize(name.size());
    unsigned char high = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        high |= c;
        out[i] = kAsciiUpper[c];
    }
    if (high < 0x80)
        return;
    std::optional<std::string> upper = platform::FileSystemUpperCase(name);
    if (upper)
        out = std::move(*upper);
    else
        AsciiUpper(name, out);
}

FolderListing::FolderListing(std::string folder) : path_(std::move(folder)) {
    if (path_.empty())
        return;
    os::FolderReader reader(path_);
    std::string name;
    os::EntryKind kind{};
    while (reader.Next(name, kind)) {
        names_.push_back(name);
        kinds_.push_back(kind == os::EntryKind::Folder ? Kind::Folder
                         : kind == os::EntryKind::File ? Kind::File
                                                       : Kind::Unknown);
    }
    foldedAt_.reserve(names_.size() + 1);
    std::string folded;
    for (const std::string& name : names_) {
        foldedAt_.push_back(static_cast<std::uint32_t>(folded_.size()));
        FoldNameCase(name, folded);
        folded_ += folded;
    }
    foldedAt_.push_back(static_cast<std::uint32_t>(folded_.size()));
    nextSameFold_.assign(names_.size(), kNoName);
    size_t capacity = 16;
    while (capacity < 2 * names_.size())
        capacity *= 2;
    slots_.assign(capacity, 0);
    for (size_t i = 0; i < names_.size(); ++i)
        Index(i);
}

// The slot of a folded form: the one that holds it, or the free one where it would go.
size_t FolderListing::SlotOf(std::string_view folded) const {
    const size_t mask = slots_.size() - 1;
    for (size_t at = std::hash<std::string_view>{}(folded)&mask;; at = (at + 1) & mask) {
        if (slots_[at] == 0 || FoldedName(slots_[at] - 1) == folded)
            return at;
    }
}

// Threads the name into the chain of its folded form, which is kept in byte order.
void FolderListing::Index(size_t index) {
    std::uint32_t* slot = &slots_[SlotOf(FoldedName(index))];
    const auto self = static_cast<std::uint32_t>(index);
    if (*slot == 0) {
        *slot = self + 1;
        return;
    }
    if (names_[index] < names_[*slot - 1]) {
        nextSameFold_[index] = *slot - 1;
        *slot = self + 1;
        return;
    }
    std::uint32_t at = *slot - 1;
    while (nextSameFold_[at] != kNoName && names_[nextSameFold_[at]] < names_[index])
        at = nextSameFold_[at];
    nextSameFold_[index] = nextSameFold_[at];
    nextSameFold_[at] = self;
}

FolderListing::Kind FolderListing::KindOf(size_t index) const {
    if (kinds_[index] == Kind::Unknown) {
        const os::PathState state = os::StateOf(InFolder(path_, names_[index]), true);
        kinds_[index] = !state.exists ? Kind::Missing : state.folder ? Kind::Folder : Kind::File;
    }
    return kinds_[index];
}

bool FolderListing::IsFile(size_t index) const {
    return KindOf(index) == Kind::File;
}

const std::string* FolderListing::Find(std::string_view name, bool folder) const {
    std::string folded;
    FoldNameCase(name, folded);
    return FindFolded(folded, name, folder);
}

const std::string* FolderListing::FindFolded(std::string_view folded, std::string_view name,
                                             bool folder) const {
    const std::uint32_t first = slots_.empty() ? 0 : slots_[SlotOf(folded)];
    if (first == 0)
        return nullptr;
    const Kind wanted = folder ? Kind::Folder : Kind::File;
    const std::string* found = nullptr;
    for (std::uint32_t i = first - 1; i != kNoName; i = nextSameFold_[i]) {
        if (KindOf(i) != wanted)
            continue;
        if (names_[i] == name)
            return &names_[i];
        if (found == nullptr)
            found = &names_[i];
    }
    return found;
}

FolderListings::FolderListings(std::string base) : base_(std::move(base)) {
    std::string_view stripped = base_;
    StripTrailingSeparators(stripped);
    base_.resize(stripped.size());
}

FolderListings::~FolderListings() = default;

std::shared_ptr<const FolderListing> FolderListings::ListingOnDisk(const std::string& path) {
    auto found = onDisk_.find(path);
    if (found == onDisk_.end())
        found = onDisk_.emplace(path, std::make_shared<const FolderListing>(path)).first;
    return found->second;
}

// The folder below base found part by part from base, each part ignoring case; any other folder
// as it is given.
std::shared_ptr<const FolderListing> FolderListings::Resolve(std::string_view path) {
    const size_t slash = LastSeparator(path);
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (!IsBelow(path, base_) || name == "." || name == "..") {
        const std::string literal(path);
        return FolderExists(literal) ? ListingOnDisk(literal) : nullptr;
    }
    const FolderListing* parent = Folder(path.substr(0, slash));
    const std::string* onDisk = parent == nullptr ? nullptr : parent->Find(name, true);
    if (onDisk == nullptr)
        return nullptr;
    return ListingOnDisk(InFolder(parent->Path(), *onDisk));
}

const FolderListing* FolderListings::Folder(std::string_view path) {
    StripTrailingSeparators(path);
    // A scan asks for the same folder many times in a row: the last answer is kept at hand.
    if (lastAsked_ != nullptr && path == lastAsked_->first)
        return lastAsked_->second.get();
    auto found = asked_.find(path);
    if (found == asked_.end())
        found = asked_.emplace(std::string(path), Resolve(path)).first;
    lastAsked_ = &*found;
    return found->second.get();
}

std::string FolderListings::FindFile(std::string_view path) {
    const size_t slash = LastSeparator(path);
    if (!IsBelow(path, base_))
        return FileExists(path) ? std::string(path) : std::string();
    const FolderListing* folder = Folder(slash == 0 ? path.substr(0, 1) : path.substr(0, slash));
    const std::string* name =
        folder == nullptr ? nullptr : folder->Find(path.substr(slash + 1), false);
    if (name == nullptr)
        return {};
    const std::string& found = folder->Path();
    return IsSeparator(found.back()) ? found + *name : InFolder(found, *name);
}

}  // namespace kb
