#pragma once
// The optional plain-text trace of one run: "vorex.log" in the directory the program started in.
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/services.h"

namespace vorex {

class DiagnosticLog {
 public:
  DiagnosticLog() = default;
  ~DiagnosticLog();
  DiagnosticLog(const DiagnosticLog&) = delete;
  DiagnosticLog& operator=(const DiagnosticLog&) = delete;

  // Creates or empties the file, never through a link and only a regular file. When it cannot be
  // opened the log stays closed and every WriteLog does nothing; nobody is told. A run with
  // rights opens it guarded: readable by its owner only, and never another user's file in a
  // folder that others may write (which that user may have planted) or a second name of some
  // other file; when such a file is refused, Refusal() says why, for the user.
  // `append` (-logfile): written to after what the file holds, never emptied; when it cannot be
  // opened, Refusal() says why, with or without rights.
  void Open(const PlatformServices& platform, const std::string& path, bool append = false);
  const std::string& Refusal() const { return refusal_; }
  bool IsOpen() const { return file_ != nullptr; }
  // Writes the text and one line break. The worker writes nearly every line; an unattended
  // run's close-time text comes from the UI thread, so writes are serialised.
  void WriteLog(std::string_view text);
  // Hands buffered lines to the file; the program does this once, when it ends.
  void Flush();

 private:
  void FlushLocked();

  std::mutex mutex_;
  std::unique_ptr<WritableFile> file_;
  std::string buffer_;
  bool crlf_ = false;
  std::string refusal_;
};

}  // namespace vorex
