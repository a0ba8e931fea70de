#pragma once
// Directory listings for the drive scan: one getdents64 loop per directory (no per-directory
// fcntl or stat; d_type decides, a stat only where it is unknown), and a small pool of reader
// threads that lists the directories the walk will enter next while the walk shows and logs
// the current one. The work waits on the disk, so several reads in flight beat one.
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorex {

struct RawEntry {
  std::string name;
  unsigned char type;  // DT_DIR, DT_LNK, DT_REG, ...
};

struct Listing {
  bool ok = false;
  std::vector<RawEntry> entries;  // without "." and ".."
};

// Lists one directory, never following a link at `dir`.
Listing ReadDirectory(const std::string& dir);

class ReadAhead {
 public:
  // At most `heldListings` listings are kept or being read at once: memory stays bounded.
  explicit ReadAhead(unsigned readers = 6, std::size_t heldListings = 64);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // These directories will be listed soon, the first soonest; they go before earlier hints,
  // as a depth-first walk needs them.
  void Hint(const std::vector<std::string>& dirs);
  // The listing of `dir` when a reader has it or is reading it (waits for that read); false
  // when nobody has started it (the caller lists it itself).
  bool Take(const std::string& dir, Listing* listing);
  // Forgets every hint and listing; the readers stop soon after.
  void Clear();

 private:
  void Reader();

  const unsigned readerCount_;
  const std::size_t heldLimit_;
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable done_;
  std::deque<std::string> queue_;
  std::map<std::string, Listing> ready_;
  std::map<std::string, bool> inFlight_;  // value: still wanted (false once cleared)
  std::vector<std::thread> threads_;
  bool stopping_ = false;
};

}  // namespace vorex
