#pragma once
// Directory listings for the drive scan: one getdents64 loop per directory (no per-directory
// fcntl or stat; d_type decides, a stat only where it is unknown), and a small pool of reader
// threads that lists ahead of a depth-first walk. The work waits on the disk, so several reads
// in flight beat one; and a walk that only consumes listings leaves the kernel's work to them.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
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

// Reads ahead of one depth-first walk at a time. Told where the walk starts, the readers list
// the directories it will enter, always the earliest in the walk's order that nobody has started,
// and learn each one's sub-directories from its listing. The walk's own position is a cursor in
// that tree of listings: the directory it asks for next is, nearly always, the one after the
// last in the walk's order, so taking a listing costs no search and no lock. When the one it
// needs has not been started, the walk lists it itself; while a reader still has it, the walk
// lists another one ahead rather than sleep. What List returns is what ReadDirectory
// would, whatever was read ahead; a directory off the cursor is simply read.
//
// Memory stays bounded: at most `heldListings` listings are kept or being read at once, and the
// directories known but not yet read are the sub-directories of those and of the directories on
// the way down to the cursor, as in the walk's own stack.
class ReadAhead {
 public:
  // Whether the walk goes into this sub-directory: it never goes through links, and the caller
  // knows which directories are other mounts.
  using EntersFn = std::function<bool(const std::string& path)>;

  explicit ReadAhead(unsigned readers = 6, std::size_t heldListings = 256);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // A walk of `root` begins: it enters the sub-directories for which `enters` holds, each
  // directory's in the order of its listing. Whatever an earlier walk left is forgotten.
  void Start(const std::string& root, EntersFn enters);
  // The listing of `dir`: the one read ahead, or one read now. Called by the walk only.
  Listing List(const std::string& dir);
  // The walk is over or cancelled: every listing and every known directory is forgotten, and
  // the readers stop soon after (a read under way is finished and dropped).
  void Clear();
  // How many listings are kept or being read now.
  std::size_t Held() const { return held_; }

 private:
  enum State : int { kUnread, kReading, kReady, kTaken };
  struct Node;
  using NodePtr = std::shared_ptr<Node>;
  // A directory's place in the walk: the index of each sub-directory on the way down from the
  // root. Compared as sequences, these order directories as a depth-first walk meets them.
  using Place = std::vector<std::uint32_t>;
  struct Node {
    std::string path;
    Place place;
    std::atomic<int> state{kUnread};
    // Set by whoever lists the directory, before the state says kReady.
    Listing listing;
    std::vector<NodePtr> children;  // the sub-directories the walk enters, in its order
  };
  // Sub-directories of one listed directory that no reader has taken yet; the readers' work
  // is a heap of these, earliest in the walk's order on top.
  struct Siblings {
    std::vector<NodePtr> nodes;
    std::size_t next = 0;
    const Place& NextPlace() const { return nodes[next]->place; }
  };

  void Reader();
  // The walk lends a hand: lists the earliest directory nobody has started; false when none.
  bool ReadOne();
  // Lists a node taken from the work and publishes it, unlocking meanwhile.
  void ListTaken(std::unique_lock<std::mutex>& lock, Node& node);
  // Lists `node` and fills in its listing and sub-directories (without the lock).
  void ListNode(Node& node, const EntersFn& enters);
  // With the lock held: the node's sub-directories become work for the readers.
  void AddWorkLocked(const Node& node);
  // With the lock held: the earliest directory nobody has started, claimed; null when none.
  NodePtr TakeWorkLocked();
  // Moves the cursor past the directory just taken, letting go of finished subtrees.
  void Advance();
  void WakeReadersForRoom();

  const unsigned readerCount_;
  const std::size_t heldLimit_;
  std::mutex mutex_;
  std::condition_variable work_;
  std::vector<Siblings> heap_;  // the readers' work
  std::size_t heapNodes_ = 0;   // directories in it, bounded: past that the walk lists them
  EntersFn enters_;
  std::uint64_t walk_ = 0;  // which walk the readers work for; results for an older one go
  std::atomic<std::size_t> held_{0};
  std::atomic<bool> waitingForRoom_{false};
  unsigned idleReaders_ = 0;
  std::vector<std::thread> threads_;
  bool stopping_ = false;
  // The walk's side alone: the directories from the root down to the cursor.
  std::vector<NodePtr> cursorPath_;
};

}  // namespace vorex
