#pragma once
// One-folder listings: snapshots taken when built, unsorted, never recursive, never failing
// (a folder that cannot be opened yields nothing). Usable with range-for over the names.
#include <dirent.h>

#include <string>
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
    void Close();
    std::string folder_;
    DIR* handle_ = nullptr;
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

}  // namespace kb
