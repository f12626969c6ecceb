#pragma once

// Network descriptions of any size for the benchmarks: one server ("BENCH1",
// tree "BENCH") with one volume of generated files, a connection table whose
// stations hold some of those files open (with record locks), and a
// workstation that has the volume mapped as F: and console rights.
//
// Layout. Files are grouped filesPerDirectory to a directory; the directories
// form a tree, filled breadth first, in which every directory has up to
// subdirectories children. A directory therefore lists the same number of
// entries whatever the size of the network, and the depth grows only with the
// logarithm of the number of files.
//
// Opens. openedFiles files, spread evenly over the volume, are each open
// opensPerFile times, by consecutive connections taken round robin; every
// lockEvery-th open holds locksPerOpen record locks. Per connection that is
// openedFiles * opensPerFile / connections opens.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

enum class ScanEndStyle { Error, LastBatch };

struct NetworkShape {
    std::size_t files = 1000;
    std::size_t filesPerDirectory = 100;
    std::size_t subdirectories = 10;     // children of every directory that has any
    std::size_t connections = 100;       // station connections, numbered from 1
    std::size_t openedFiles = 100;
    std::size_t opensPerFile = 4;
    std::size_t locksPerOpen = 0;
    std::size_t lockEvery = 1;
    ScanEndStyle scanEnd = ScanEndStyle::Error;
    bool longNames = true;               // long file names with spaces; false: 8.3 names only
    bool fullNames = true;               // every station's user has a "Full Name" in the tree
};

// The network of the query benchmark: a recursive query over all 10,000 files
// of F: yields 100,000 Users rows (every file open 10 times by 500
// connections) and 20,000 Locks rows (a lock on every fifth open).
NetworkShape RecursiveQueryShape();

class GeneratedNetwork final {
public:
    explicit GeneratedNetwork(const NetworkShape& shape);

    const NetworkShape& Shape() const { return m_shape; }
    // The description, in the simulation's JSON format.
    std::string Description() const;

    static constexpr const char* kServer = "BENCH1";
    static constexpr const char* kVolume = "DATA";
    static constexpr char kDrive = 'F';

    std::size_t DirectoryCount() const { return m_directories; }
    // Levels of directories below the volume root (1: only top-level ones).
    std::size_t Depth() const;

    // Paths relative to the volume root ("D00003\\D00031"; "" for the root,
    // which holds no files), of directory d (0-based, breadth first) and of
    // file i (0-based).
    std::string DirectoryPath(std::size_t d) const;
    std::string FilePath(std::size_t i) const;
    std::string FileName(std::size_t i) const;
    // "DATA:" + path, and "F:\" + path.
    std::string VolumePath(const std::string& path) const;
    std::string DrivePath(const std::string& path) const;

    // The index of the k-th opened file (0 <= k < openedFiles).
    std::size_t OpenedFile(std::size_t k) const;
    // Totals, for checking what a benchmark scans.
    std::size_t TotalOpens() const { return m_shape.openedFiles * m_shape.opensPerFile; }
    std::size_t TotalLocks() const;

private:
    std::size_t ParentOf(std::size_t d) const;
    std::string DirectoryName(std::size_t d) const;

    NetworkShape m_shape;
    std::size_t m_directories;
};

// A new, empty directory below the system's temporary folder for program's
// generated networks; empty (and the reason on standard error) when none can
// be made.
std::filesystem::path MakeBenchDirectory(const std::string& program);

// Writes text to path, replacing the file; false when it cannot be written.
bool WriteTextFile(const std::string& path, const std::string& text);
