#pragma once
// Writing a file so that no reader ever sees a partial one: the bytes go to
// a temporary file beside the target, are flushed to the disk, and the
// temporary file is renamed over the target. Only a regular file is ever
// replaced: a device node, FIFO, socket or folder at the target's path is
// refused before anything is written. Saved scans, remembered scans and
// every export of the program are written this way.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace tw {

// Who may read what the program writes.
enum class FileAccess {
  kOrdinary,  // the system's defaults (a file anyone may read on POSIX)
  // The owner and the administrators only, from its creation on: on Windows
  // SYSTEM and Administrators, protected from inherited entries; on POSIX
  // mode 0600 (0700 for a folder).
  kPrivate,
};

// Takes the next bytes of the file; false once they could not be written
// (the reason is the save's to tell).
using ByteSink = std::function<bool(std::span<const std::uint8_t> bytes)>;

// Writes a file's content through the sink, in pieces of any size; false to
// give up, with the reason in `error` (left empty when the sink failed).
using FileContent = std::function<bool(const ByteSink& sink, std::string& error)>;

// Writes `content` to `path` (UTF-8) through the temporary file of
// SaveTemporaryPath. `own_head` is how the content begins: a temporary file
// left by a save cut short is taken over (emptied and reused) when it is
// empty, begins with the snapshot magic, or begins with `own_head`;
// anything else of that name is left alone and this save takes a name of
// its own. False with the reason (the system's words) in `error`; the
// temporary file is then removed.
bool ReplaceFileContent(const std::string& path, const FileContent& content, FileAccess access,
                        std::span<const std::uint8_t> own_head, std::string& error);

// The temporary file of a save to `path`: in the same folder, named
// ".tw" + 16 hex digits of a hash of the target's name + ".tmp", so that any
// name the target may have leaves room for it, and a save cut short (a
// crash, a kill) leaves a file the next save to the same target recognises
// as its own and replaces. A file there that is not one of ours is left alone.
std::string SaveTemporaryPath(const std::string& path);

// Runs `content` into `sink` for a save: false with the reason in `error`
// when it gave up or threw (out of memory, mostly), which never escapes.
bool MakeContent(const FileContent& content, const ByteSink& sink, std::string& error);

// How many bytes of a temporary file are read to recognise it.
inline constexpr std::size_t kLeftoverHeadSize = 8;

// True when a file's size and first bytes (up to kLeftoverHeadSize) make it
// a temporary file a save left behind: empty, beginning with the snapshot
// magic, or beginning with the first bytes of `own_head` (as many as the
// head and kLeftoverHeadSize allow; never an empty head).
bool IsLeftoverOfSave(std::uint64_t size, std::span<const std::uint8_t> head,
                      std::span<const std::uint8_t> own_head = {});

}  // namespace tw
