#include "platform/posix/directory_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <system_error>

#include "base/path_rules.h"
#include "base/paths.h"

namespace vorex {

namespace {

// The record getdents64 fills, as the kernel lays it out.
struct LinuxDirent64 {
  ino64_t d_ino;
  off64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[];
};

constexpr std::size_t kBufferSize = std::size_t{64} * 1024;

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// Some file systems leave the type out of the listing: it is looked up then.
unsigned char TypeOf(int fd, const LinuxDirent64& entry) {
  if (entry.d_type != DT_UNKNOWN) return entry.d_type;
  struct stat st {};
  if (::fstatat(fd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return DT_UNKNOWN;
  return S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
}

}  // namespace

Listing ReadDirectory(const std::string& dir) {
  Listing listing;
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return listing;
  static thread_local std::vector<char> buffer(kBufferSize);
  for (;;) {
    long n = ::syscall(SYS_getdents64, fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      listing.ok = n == 0;
      break;
    }
    for (long pos = 0; pos < n;) {
      auto* e = reinterpret_cast<LinuxDirent64*>(buffer.data() + pos);
      pos += e->d_reclen;
      if (!IsDotOrDotDot(e->d_name)) listing.entries.push_back({e->d_name, TypeOf(fd, *e)});
    }
  }
  ::close(fd);
  return listing;
}

ReadAhead::ReadAhead(unsigned readers, std::size_t heldListings)
    : readerCount_(readers), heldLimit_(std::max<std::size_t>(heldListings, 1)) {}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  work_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void ReadAhead::Start(const std::string& root, EntersFn enters) {
  Clear();
  auto node = std::make_shared<Node>();
  node->path = root;
  cursorPath_.push_back(node);
  {
    std::lock_guard lock(mutex_);
    enters_ = std::move(enters);
    heap_.push_back(Siblings{{node}});
    heapNodes_ = 1;
    try {
      while (threads_.size() < readerCount_) threads_.emplace_back([this] { Reader(); });
    } catch (const std::system_error&) {
      // Out of threads (a process limit): fewer readers, or none; the walk lists the rest itself.
    }
  }
  work_.notify_one();
}

void ReadAhead::Clear() {
  std::lock_guard lock(mutex_);
  heap_.clear();
  heapNodes_ = 0;
  enters_ = nullptr;
  ++walk_;
  held_ = 0;
  cursorPath_.clear();
}

Listing ReadAhead::List(const std::string& dir) {
  if (cursorPath_.empty() || cursorPath_.back()->path != dir) return ReadDirectory(dir);
  Node& node = *cursorPath_.back();
  int expected = kUnread;
  if (node.state.compare_exchange_strong(expected, kReading)) {
    // Nobody has started it: ours to list, and its sub-directories become the readers' work.
    EntersFn enters;
    {
      std::lock_guard lock(mutex_);
      enters = enters_;
    }
    ListNode(node, enters);
    {
      std::lock_guard lock(mutex_);
      AddWorkLocked(node);
    }
  } else {
    // A reader has it. Rather than sleep, list the next directory nobody has started.
    while (node.state.load(std::memory_order_acquire) == kReading && ReadOne()) {
    }
    while (node.state.load(std::memory_order_acquire) == kReading) node.state.wait(kReading);
    --held_;
    WakeReadersForRoom();
  }
  node.state = kTaken;
  Listing listing = std::move(node.listing);
  Advance();
  return listing;
}

void ReadAhead::Advance() {
  Node& taken = *cursorPath_.back();
  if (!taken.children.empty()) {
    cursorPath_.push_back(taken.children.front());
    return;
  }
  // A finished subtree: up to the first directory on the way that has a next sub-directory.
  for (;;) {
    NodePtr done = std::move(cursorPath_.back());
    cursorPath_.pop_back();
    if (cursorPath_.empty()) return;  // the walk is over
    Node& parent = *cursorPath_.back();
    std::uint32_t index = done->place.back();
    parent.children[index].reset();
    if (index + 1 < parent.children.size()) {
      cursorPath_.push_back(parent.children[index + 1]);
      return;
    }
  }
}

void ReadAhead::WakeReadersForRoom() {
  // Readers asleep on a full window are woken once a quarter of it is free, not per listing.
  if (!waitingForRoom_ || held_ + heldLimit_ / 4 > heldLimit_) return;
  {
    std::lock_guard lock(mutex_);
    waitingForRoom_ = false;
  }
  work_.notify_all();
}

void ReadAhead::ListNode(Node& node, const EntersFn& enters) {
  node.listing = ReadDirectory(node.path);
  if (!node.listing.ok || !enters) return;
  std::uint32_t index = 0;
  for (const RawEntry& e : node.listing.entries) {
    if (e.type != DT_DIR) continue;
    std::string path = JoinPath(node.path, e.name, PathRules::Posix());
    if (!enters(path)) continue;
    auto child = std::make_shared<Node>();
    child->path = std::move(path);
    child->place = node.place;
    child->place.push_back(index++);
    node.children.push_back(std::move(child));
  }
}

namespace {
// Orders the heap with the earliest place on top.
template <typename S>
bool Later(const S& a, const S& b) {
  return b.NextPlace() < a.NextPlace();
}
}  // namespace

void ReadAhead::AddWorkLocked(const Node& node) {
  // Bounded: past this many, the walk lists the rest itself. The earliest go in first.
  std::size_t limit = heldLimit_ * 64;
  std::size_t count = std::min(node.children.size(), limit - std::min(limit, heapNodes_));
  if (count == 0) return;
  heapNodes_ += count;
  heap_.push_back(Siblings{{node.children.begin(), node.children.begin() + static_cast<std::ptrdiff_t>(count)}});
  std::push_heap(heap_.begin(), heap_.end(), Later<Siblings>);
  if (idleReaders_ > 0) work_.notify_one();
}

ReadAhead::NodePtr ReadAhead::TakeWorkLocked() {
  while (!heap_.empty()) {
    std::pop_heap(heap_.begin(), heap_.end(), Later<Siblings>);
    Siblings& top = heap_.back();
    NodePtr node = top.nodes[top.next++];
    --heapNodes_;
    if (top.next == top.nodes.size()) {
      heap_.pop_back();
    } else {
      std::push_heap(heap_.begin(), heap_.end(), Later<Siblings>);
    }
    int expected = kUnread;
    if (node->state.compare_exchange_strong(expected, kReading)) return node;
    // The walk got there first and listed it itself.
  }
  return nullptr;
}

bool ReadAhead::ReadOne() {
  std::unique_lock lock(mutex_);
  NodePtr node = held_ < heldLimit_ ? TakeWorkLocked() : nullptr;
  if (!node) return false;
  ListTaken(lock, *node);
  return true;
}

void ReadAhead::ListTaken(std::unique_lock<std::mutex>& lock, Node& node) {
  ++held_;
  std::uint64_t walk = walk_;
  EntersFn enters = enters_;
  lock.unlock();
  ListNode(node, enters);
  lock.lock();
  if (walk == walk_) AddWorkLocked(node);
  // Published after its sub-directories: the walk may move on to them at once.
  node.state.store(kReady, std::memory_order_release);
  node.state.notify_one();
}

void ReadAhead::Reader() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (stopping_) return;
    NodePtr node;
    if (held_ < heldLimit_) node = TakeWorkLocked();
    if (!node) {
      if (!heap_.empty()) {
        // No room. Said before looking again, so the walk, which frees room without the
        // lock, either sees it and wakes us or we see the room.
        waitingForRoom_ = true;
        if (held_ < heldLimit_) continue;
      }
      ++idleReaders_;
      work_.wait(lock);
      --idleReaders_;
      continue;
    }
    ListTaken(lock, *node);
  }
}

}  // namespace vorex
