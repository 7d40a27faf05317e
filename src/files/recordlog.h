#pragma once
// A log that several programs append to at once, each record whole: a record goes to the end
// of the file in one write and is on the disk before Append returns, so that no reader ever
// meets half a record and a crash never leaves one. The writers take turns through a lock on
// the file, so that a new file gets its header exactly once, however many start together, and
// a record that the disk could not take whole is taken back before the next writer's turn.

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

namespace morvane
{

class RecordLog
{
  public:
    RecordLog() = default;
    RecordLog(const RecordLog&) = delete;
    RecordLog& operator=(const RecordLog&) = delete;
    ~RecordLog();

    // Opens the file for appending, creating it when missing; an empty file gets `header`
    // first. A device, pipe, socket or folder is refused. The system's reason, without the
    // file's name, when it cannot be opened or the header cannot be written.
    std::optional<std::string> Open(const QString& path, const QByteArray& header);
    bool IsOpen() const;
    // Appends one record, lines and all, and syncs it; the system's reason when it fails, and
    // then nothing of it stays in the file.
    std::optional<std::string> Append(const QByteArray& record);

  private:
    std::optional<std::string> AppendLocked(const QByteArray& record, bool onlyIfEmpty);

    int m_fd = -1;
};

} // namespace morvane
