#include "app/networkentry.h"
#include "app/parts.h"

namespace morvane
{

std::unique_ptr<NetworkPort> LoadedNetworkPort(std::string& problem)
{
    static QString loadProblem;
    static const auto entry = reinterpret_cast<NetworkEntry>(LoadPartEntry(
        PartPaths(QStringLiteral(MORVANE_NETWORK_LIBRARY)), kNetworkEntryName, loadProblem));
    if (!entry) {
        problem = "the network library cannot be loaded: " + loadProblem.toStdString();
        return nullptr;
    }
    return std::unique_ptr<NetworkPort>(entry(problem));
}

} // namespace morvane
