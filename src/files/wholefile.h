#pragma once
// Saving a whole file: the bytes go into a new file beside the target, which replaces the
// target only once every byte is on the disk. A full disk, a missing folder or any other
// failure leaves the file that was there byte for byte.
//
// The target must be a regular file or nothing yet. A device, a named pipe, a socket or a
// folder is refused before anything is written, so that saving onto /dev/null or a pipe
// never replaces it. A symbolic link stays a link: the file it leads to is replaced. A file
// that is replaced keeps its permission bits and, where the system allows, its owner and
// group.

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <string>

#ifndef _WIN32
#include <functional>
#include <sys/types.h>
#endif

namespace morvane
{

struct SaveFailure {
    // Why, in the system's words where it has them ("No space left on device"), without the
    // file's name and without a full stop.
    std::string reason;
};

// Nothing when the file now holds exactly these bytes.
std::optional<SaveFailure> SaveWholeFile(const QString& path, QByteArrayView bytes);

#ifndef _WIN32
// Writes one piece into the new file as ::write does: the count written, or -1 with errno.
using PieceWriter = std::function<ssize_t(int fd, const char* data, std::size_t size)>;
// The same with the writer given, so that a test can make the disk fail where it cannot
// make a full one.
std::optional<SaveFailure> SaveWholeFile(const QString& path, QByteArrayView bytes,
                                         const PieceWriter& write);
#endif

} // namespace morvane
