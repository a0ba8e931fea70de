#include "platform/posix/directory_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

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
      const char* name = e->d_name;
      if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
      unsigned char type = e->d_type;
      if (type == DT_UNKNOWN) {
        struct stat st {};
        if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
          type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
      }
      listing.entries.push_back({name, type});
    }
  }
  ::close(fd);
  return listing;
}

ReadAhead::ReadAhead(unsigned readers, std::size_t heldListings) : readerCount_(readers), heldLimit_(heldListings) {}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  work_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void ReadAhead::Hint(const std::vector<std::string>& dirs) {
  if (dirs.empty()) return;
  {
    std::lock_guard lock(mutex_);
    if (threads_.empty()) {
      for (unsigned i = 0; i < readerCount_; ++i) threads_.emplace_back([this] { Reader(); });
    }
    queue_.insert(queue_.begin(), dirs.begin(), dirs.end());
    // What was hinted long ago is needed last; past a bound it is simply listed when its turn comes.
    while (queue_.size() > heldLimit_ * 4) queue_.pop_back();
  }
  work_.notify_all();
}

bool ReadAhead::Take(const std::string& dir, Listing* listing) {
  std::unique_lock lock(mutex_);
  auto queued = std::find(queue_.begin(), queue_.end(), dir);
  if (queued != queue_.end()) queue_.erase(queued);  // the caller reads it now
  done_.wait(lock, [&] { return !inFlight_.contains(dir); });
  auto it = ready_.find(dir);
  if (it == ready_.end()) return false;
  *listing = std::move(it->second);
  ready_.erase(it);
  work_.notify_all();  // room for another read
  return true;
}

void ReadAhead::Clear() {
  std::lock_guard lock(mutex_);
  queue_.clear();
  ready_.clear();
  for (auto& [dir, wanted] : inFlight_) wanted = false;
}

void ReadAhead::Reader() {
  std::unique_lock lock(mutex_);
  for (;;) {
    work_.wait(lock, [&] { return stopping_ || (!queue_.empty() && ready_.size() + inFlight_.size() < heldLimit_); });
    if (stopping_) return;
    std::string dir = std::move(queue_.front());
    queue_.pop_front();
    if (ready_.contains(dir) || inFlight_.contains(dir)) continue;
    inFlight_[dir] = true;
    lock.unlock();
    Listing listing = ReadDirectory(dir);
    lock.lock();
    bool wanted = inFlight_[dir];
    inFlight_.erase(dir);
    if (wanted && !stopping_) ready_[dir] = std::move(listing);
    done_.notify_all();
  }
}

}  // namespace vorex
