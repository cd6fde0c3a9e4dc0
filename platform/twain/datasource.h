#pragma once
// The source manager's view of one open data source: every triplet whose
// destination is the source goes to Entry. Sources registered through
// BorvaneDSM_AddSource are wrapped in this too.
#include <memory>
#include <string>
#include <vector>

#include "platform/twain/twain.h"

class TDataSource {
public:
    virtual ~TDataSource() = default;
    virtual TW_UINT16 Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) = 0;
};

// A scanner SANE reports: its device name and the texts the user sees.
struct TSaneDeviceInfo {
    std::string name, vendor, model, type;
};

// Lists the scanners SANE finds (initialising SANE on first use).
std::vector<TSaneDeviceInfo> SaneDevices();
// Ends SANE's session when no source uses it any more.
void ReleaseSane();
// Opens a data source on the SANE device `name`; nullptr when it cannot be opened.
std::unique_ptr<TDataSource> OpenSaneSource(const std::string &name, TW_UINT32 id);

// Shows the source manager's select-source dialog over `labels`; returns the
// chosen index, or -1 when the user cancelled. `current` is preselected.
int RunSelectSourceDialog(const std::vector<std::string> &labels, int current);
// True when the process has a widget application, so dialogs can be shown.
bool WidgetsAvailable();
