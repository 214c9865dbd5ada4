#pragma once
// One-folder listings: snapshots taken when built, unsorted, never recursive, never failing
// (a folder that cannot be opened yields nothing). Usable with range-for over the names.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kb {

// Common iteration protocol: Begin(), then Next() until it answers true (finished).
template <typename T>
class EachType {
  public:
    virtual ~EachType() = default;
    T Value() const { return current_; }
    void Begin() {
        started_ = true;
        open_ = true;
        Reset();
    }
    virtual void Reset() = 0;
    virtual bool Next() = 0;
    virtual void End() {}
    virtual T Current() const = 0;

    bool Started() const { return started_; }
    bool Open() const { return open_; }
    // Runs the protocol to its end, calling body with each item.
    template <typename F>
    void ForEach(F&& body) {
        if (!started_)
            Begin();
        while (!Next())
            body(Current());
        if (open_) {
            open_ = false;
            End();
        }
    }

  protected:
    bool started_ = false;
    bool open_ = false;
    T current_;
};

// Raw entries of one folder, "." and ".." skipped.
class EachFileDir : public EachType<std::string> {
  public:
    explicit EachFileDir(std::string folder);
    ~EachFileDir() override;
    EachFileDir(const EachFileDir&) = delete;
    EachFileDir& operator=(const EachFileDir&) = delete;
    void Reset() override;
    bool Next() override;
    void End() override;
    // The folder joined with the entry's name, as a full path.
    std::string Current() const override;
    const std::string& Name() const { return current_; }

  private:
    struct Handle;  // the system's open listing
    struct CloseHandle {
        void operator()(Handle* handle) const;
    };
    void Close();
    std::string folder_;
    std::unique_ptr<Handle, CloseHandle> handle_;
};

// The files (not folders) of one folder, as bare names. The mask is kept for callers that
// pass "*.*"; every file is listed.
class EachFile : public EachType<std::string> {
  public:
    explicit EachFile(std::string folder, std::string mask = "*.*");
    void Reset() override { position_ = 0; }
    bool Next() override;
    std::string Current() const override { return current_; }
    std::string CurrentPath() const;
    const std::vector<std::string>& Names() const { return names_; }
    std::vector<std::string>::const_iterator begin() const { return names_.begin(); }
    std::vector<std::string>::const_iterator end() const { return names_.end(); }

  private:
    std::string folder_;
    std::vector<std::string> names_;
    size_t position_ = 0;
};

// The sub-folders of one folder (links to folders followed), as bare names.
class EachDirectory : public EachType<std::string> {
  public:
    explicit EachDirectory(std::string folder);
    void Reset() override { position_ = 0; }
    bool Next() override;
    std::string Current() const override { return current_; }
    // The folder joined with the current name, as a full path; set by Next().
    const std::string& CurrentPath() const { return currentPath_; }
    const std::vector<std::string>& Names() const { return names_; }
    std::vector<std::string>::const_iterator begin() const { return names_.begin(); }
    std::vector<std::string>::const_iterator end() const { return names_.end(); }

  private:
    std::string folder_;
    std::string currentPath_;
    std::vector<std::string> names_;
    size_t position_ = 0;
};

// Why the folder cannot be listed (the system's reason), or "" when it can. The listings
// above read such a folder as empty; this tells the two apart.
std::string FolderListingProblem(const std::string& folder);

// The name as Windows compares file names: every letter in upper case (simple mapping, code point
// by code point); bytes that are no valid UTF-8 get ASCII mapping only.
std::string FoldNameCase(std::string_view name);
// The same into out, reusing its storage.
void FoldNameCase(std::string_view name, std::string& out);

// One folder's names, listed once, with an index of their case-folded forms: finds a file or
// sub-folder whatever the case of its name, as on Windows.
class FolderListing {
  public:
    // Lists folder as it is given; a folder that cannot be read lists nothing.
    explicit FolderListing(std::string folder);
    const std::string& Path() const { return path_; }
    // The name as on disk of the file (folder false) or sub-folder (folder true) called name,
    // links followed; nullptr when there is none. Of several names that differ only in case the
    // exact one wins, otherwise the first in byte order.
    const std::string* Find(std::string_view name, bool folder) const;
    // The same for a name already case-folded (FoldNameCase) and its exact form.
    const std::string* FindFolded(std::string_view folded, std::string_view name,
                                  bool folder) const;
    // The case-folded form of the name at index.
    std::string_view FoldedName(size_t index) const {
        return std::string_view(folded_).substr(foldedAt_[index],
                                                foldedAt_[index + 1] - foldedAt_[index]);
    }
    // Every entry's name, in listing order, files and folders alike.
    const std::vector<std::string>& Names() const { return names_; }
    bool IsFile(size_t index) const;

  private:
    enum class Kind : std::uint8_t { Unknown, File, Folder, Missing };
    Kind KindOf(size_t index) const;
    void Index(size_t index);
    size_t SlotOf(std::string_view folded) const;

    std::string path_;
    std::vector<std::string> names_;
    mutable std::vector<Kind> kinds_;      // from the listing; links and unknowns stated on demand
    std::string folded_;                   // every name case-folded, one after the other
    std::vector<std::uint32_t> foldedAt_;  // where each one starts, and the end
    std::vector<std::uint32_t> nextSameFold_;  // the next name of the same folded form
    // Open addressing by folded form: the first name (in byte order) of each form, plus one;
    // 0 for a free slot.
    std::vector<std::uint32_t> slots_;
};

// The listings that one piece of work (a scan) needs, each folder listed once: answers where a
// file or folder is on disk whatever the case of the names of a path below base, as Windows
// would. Paths outside base are answered literally. Listings are snapshots: made and deleted
// files show only in a new FolderListings. One thread at a time.
class FolderListings {
  public:
    explicit FolderListings(std::string base);
    ~FolderListings();
    FolderListings(const FolderListings&) = delete;
    FolderListings& operator=(const FolderListings&) = delete;

    // The listing of the folder at path (a trailing separator allowed); nullptr when there is
    // no such folder.
    const FolderListing* Folder(std::string_view path);
    // The path of the file at path with every name as on disk; "" when there is none.
    std::string FindFile(std::string_view path);

  private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    using Map = std::unordered_map<std::string, std::shared_ptr<const FolderListing>, Hash,
                                   std::equal_to<>>;
    std::shared_ptr<const FolderListing> Resolve(std::string_view path);
    std::shared_ptr<const FolderListing> ListingOnDisk(const std::string& path);

    std::string base_;
    Map asked_;   // by the path as asked; null when no folder is there
    Map onDisk_;  // by the path as on disk
    const Map::value_type* lastAsked_ = nullptr;  // the entry of asked_ answered last
};

}  // namespace kb
