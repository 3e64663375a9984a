#pragma once

#include <string>
#include <vector>

namespace vtt {

// Where the list lives between runs: the window's settings store.
class RecentFilesStore {
public:
    virtual ~RecentFilesStore() = default;
    virtual std::vector<std::string> load() const = 0;
    virtual void store(const std::vector<std::string>& files) = 0;
};

// A list kept for the run only.
class RecentFilesInMemory : public RecentFilesStore {
public:
    std::vector<std::string> load() const override { return files_; }
    void store(const std::vector<std::string>& files) override { files_ = files; }

private:
    std::vector<std::string> files_;
};

// The files last opened or saved, newest first.
class RecentFiles {
public:
    static constexpr std::size_t Longest = 8;

    explicit RecentFiles(RecentFilesStore& store) : store_(store) {}

    // A store edited by hand may hold anything: only non-empty names, once.
    std::vector<std::string> files() const;
    // To the front, absolute and once; the oldest beyond Longest drop off.
    void add(const std::string& path);
    void remove(const std::string& path);

private:
    RecentFilesStore& store_;
};

} // namespace vtt
