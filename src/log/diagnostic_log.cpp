#include "log/diagnostic_log.h"

#include "base/paths.h"

namespace vorex {

namespace {
constexpr std::size_t kBufferLimit = std::size_t{64} * 1024;
}

DiagnosticLog::~DiagnosticLog() {
  Flush();
  if (file_) file_->Close();
}

namespace {

// Why a log opened by a run with rights must not be written; null when it may be.
const char* GuardedRefusal(const PlatformServices& platform, const std::string& path, WritableFile& file) {
  EntryInfo info;
  if (!file.Describe(&info) || info.type != EntryType::kFile) return "not a regular file";
  if (info.names > 1) return "it has more than one name (a hard link)";
  if (platform.identity.IsTrusted(info.owner)) return nullptr;
  // Somebody else may have made it: the folder is another user's, or a group's or everyone's
  // bit lets others make entries there (a sticky bit does not keep them from making their own).
  EntryInfo folder;
  bool othersMayAdd = !platform.fs.Describe(ParentOf(path, platform.rules), &folder) ||
                      !platform.identity.IsTrusted(folder.owner) || folder.othersMayAdd;
  return othersMayAdd ? "it belongs to another user in a folder that others may write" : nullptr;
}

}  // namespace

void DiagnosticLog::Open(const PlatformServices& platform, const std::string& path, bool append) {
  crlf_ = platform.rules.LineBreak() == "\r\n";
  const bool guarded = platform.withRights;
  std::unique_ptr<WritableFile> file = platform.fs.OpenLog(path, guarded, append);
  const char* refusal = file && guarded ? GuardedRefusal(platform, path, *file) : nullptr;
  if (file && !refusal && (append || file->Empty())) {
    file_ = std::move(file);
    return;
  }
  std::string why = refusal ? refusal : platform.fs.LastError();
  // Without rights vorex.log that cannot be opened is nothing to tell; with them it may be a
  // trap; and a log file the caller named (-logfile) is one somebody means to read.
  if (guarded || append) refusal_ = "Log off: " + path + ": " + why;
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
