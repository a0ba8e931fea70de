#include "log/diagnostic_log.h"

namespace vorex {

namespace {
constexpr std::size_t kBufferLimit = std::size_t{64} * 1024;
}

DiagnosticLog::~DiagnosticLog() {
  Flush();
  if (file_) file_->Close();
}

void DiagnosticLog::Open(FileSystem& fs, const std::string& name, bool crlf) {
  crlf_ = crlf;
  bool guarded = fs.RunsWithRights();
  file_ = fs.CreateLog(name, guarded);
  // Without rights a log that cannot be opened is nothing to tell; with them it may be a trap.
  if (!file_ && guarded) refusal_ = "Log off: " + name + ": " + fs.LastError();
}

void DiagnosticLog::WriteLog(std::string_view text) {
  std::lock_guard lock(mutex_);
  if (!file_) return;
  // A text stream: every line feed, those inside the text included, becomes the platform's.
  for (char c : text) {
    if (c == '\n' && crlf_) buffer_ += '\r';
    buffer_ += c;
  }
  if (crlf_) buffer_ += '\r';
  buffer_ += '\n';
  if (buffer_.size() >= kBufferLimit) FlushLocked();
}

void DiagnosticLog::Flush() {
  std::lock_guard lock(mutex_);
  FlushLocked();
}

void DiagnosticLog::FlushLocked() {
  if (!file_ || buffer_.empty()) return;
  file_->Write(buffer_);  // errors while logging are ignored
  buffer_.clear();
}

}  // namespace vorex
