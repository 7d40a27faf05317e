// The pseudo-terminal the virtual controller listens on, and the optional link to it.
#pragma once

#include "simline.h"

#include <string>

namespace morvane::sim
{

class PseudoTerminal : public SimLine
{
  public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal() override;

    // Each returns an empty text on success, otherwise what went wrong.
    std::string Open();
    std::string MakeLink(const std::string& linkPath);

    // Hangs up the line: whoever has the device open sees it vanish. Removes the link.
    void Close() override;

    void DiscardUnread() override;
    void DropIncoming() override;
    // A hung-up pseudo-terminal cannot be opened again.
    bool EndConnection() override { return false; }

    // Whether some program has the device open now. A real port that is closed receives
    // nothing, so a reply sent meanwhile must not wait here for the utility's next command.
    bool SomeoneListens() override;
    // Reads the open and close notices that made NoticeFd() readable.
    void TakeNotices() override;

    // What the utility set with its termios calls: the terminal's settings are shared by
    // both ends. A pseudo-terminal takes any speed but keeps no parity.
    std::optional<LineSettings> UtilitySettings() override;

    std::string Name() const override { return m_devicePath; }
    int DataFd() const override { return m_master; }
    int NoticeFd() const override { return m_watch; }
    const std::string& DevicePath() const { return m_devicePath; }

  private:
    void RemoveLink();
    void WatchOpenAndClose();

    int m_master = -1;
    // Held open for the whole run and never read: without it the master would see a
    // hang-up (EIO, POLLHUP) every time the utility closes its port between commands.
    int m_slave = -1;
    int m_watch = -1;  // inotify on the device node: opens and closes by others
    int m_openers = 0; // how many descriptors others hold on the device
    bool m_openersKnown = false;
    std::string m_devicePath;
    std::string m_linkPath;
};

} // namespace morvane::sim
