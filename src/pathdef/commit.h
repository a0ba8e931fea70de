#pragma once
// The last step of an edit: what becomes of the edited text. A run writes it in the file's
// place; a check (-check on) records it, so that each command works on the text the earlier
// ones would have left, and writes nothing at all.
#include <string>

#include "log/diagnostic_log.h"
#include "pathdef/edit_file.h"
#include "pathdef/locked_file.h"
#include "platform/file_system.h"

namespace vorex {

class Commit {
 public:
  virtual ~Commit() = default;
  // The text the command starts from, given the text just read under the lock.
  virtual const std::string& Base(const FileEdit& edit, const std::string& read) = 0;
  // Puts the edited text in place; false, with the failed steps, when it could not.
  virtual bool Apply(LockedFile& file, const std::string& edited, const std::string& old, Failures& failures) = 0;
  // What a command that changed the text did to the file.
  virtual Outcome Changed() const = 0;
  // The lock the edit takes, given the one its place asks for.
  virtual LockKind Lock(LockKind place) const { return place; }
  // Once every command is done: the file's outcome for the report.
  virtual void Settle(FileEdit& /*edit*/) const {}
};

// Writes the new text to a fresh pathdef.new (whatever had that name is removed first), flushes
// it, and puts it in the place of pathdef.m, the old file becoming pathdef.bak: as a second name
// of the old file, else by the platform's replace step, else as a flushed copy of the old text,
// and only where none of these works by three renames. Except in that last case pathdef.m
// exists at every moment and holds the old or the new text. A missing Octave startup file is
// made readable by everyone, without a backup, and only if nothing appeared under its name.
class WriteCommit : public Commit {
 public:
  explicit WriteCommit(FileSystem& fs) : fs_(fs) {}
  const std::string& Base(const FileEdit& edit, const std::string& read) override;
  bool Apply(LockedFile& file, const std::string& edited, const std::string& old, Failures& failures) override;
  Outcome Changed() const override { return Outcome::kChanged; }

 private:
  // The new text, whole on disk, and no pathdef.bak in the way; false with the failed step.
  bool WriteNewFile(LockedFile& file, WritableFile& out, const std::string& edited, Failures& failures);
  bool Install(LockedFile& file, const std::string& old, Failures& failures);
  bool Rotate(LockedFile& file, const std::string& old, Failures& failures);
  bool RotateByCopy(LockedFile& file, const std::string& old, Failures& failures);
  FileSystem& fs_;
};

// Records instead of writing, and creates nothing anywhere (not even a lock file); answers as a
// run would: a file whose folder the run may not change fails with the reason a run would give.
class CheckCommit : public Commit {
 public:
  const std::string& Base(const FileEdit& edit, const std::string& read) override;
  bool Apply(LockedFile& file, const std::string& edited, const std::string& old, Failures& failures) override;
  Outcome Changed() const override { return Outcome::kWouldChange; }
  LockKind Lock(LockKind /*place*/) const override { return LockKind::kLook; }
  // Would change only when the edits, taken together, leave another text.
  void Settle(FileEdit& edit) const override;
};

}  // namespace vorex
