// The source manager: DSM_Entry routes the application's triplets to itself
// (DAT_PARENT, DAT_IDENTITY, DAT_STATUS without a destination) or to an open
// data source. Sources are the ones added through BorvaneDSM_AddSource,
// followed by the scanners SANE finds. The default source is the one the user
// picked in this run, otherwise the first one found. The library is linked with
// -z nodelete, so that choice survives the application unloading it.
#include <cstring>
#include <map>
#include <new>
#include <memory>
#include <string>
#include <vector>

#include "platform/twain/datasource.h"
#include "platform/twain/dsmext.h"
#include "platform/twain/twain.h"

namespace {

struct TSourceInfo {
    TW_IDENTITY identity{};
    DSENTRYPROC entry = nullptr;  // nullptr: a SANE device
    std::string saneName;
};

void CopyName(TW_STR32 &dest, const std::string &text) {
    std::memset(dest, 0, sizeof(TW_STR32));
    std::strncpy(dest, text.c_str(), sizeof(TW_STR32) - 1);
}

bool SameSource(const TW_IDENTITY &a, const TW_IDENTITY &b) {
    return std::strncmp(a.ProductName, b.ProductName, sizeof(TW_STR32)) == 0 &&
           std::strncmp(a.Manufacturer, b.Manufacturer, sizeof(TW_STR32)) == 0;
}

// A source that a test registered: a plain DS_Entry procedure.
class TEntrySource : public TDataSource {
public:
    explicit TEntrySource(DSENTRYPROC entry) : entry_(entry) {}
    TW_UINT16 Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) override {
        return entry_(origin, dg, dat, msg, data);
    }

private:
    DSENTRYPROC entry_;
};

class TSourceManager {
public:
    TW_UINT16 Call(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                   TW_MEMREF data);

    std::vector<TSourceInfo> registered;
    bool haveChoice = false;
    TW_IDENTITY choice{};
    BORVANE_DSM_TRACEPROC trace = nullptr;
    void *traceContext = nullptr;
    void SetCondition(TW_UINT16 condition) { condition_ = condition; }

private:
    TW_UINT16 Fail(TW_UINT16 condition) {
        condition_ = condition;
        return TWRC_FAILURE;
    }
    TW_UINT16 ManagerCall(pTW_IDENTITY origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 OpenSource(pTW_IDENTITY origin, TW_IDENTITY *identity);
    TW_UINT16 UserSelect(TW_IDENTITY *identity);
    std::vector<TSourceInfo> Sources(bool withScanners) const;
    void CloseAllSources();

    bool open_ = false;
    TW_UINT16 condition_ = TWCC_SUCCESS;
    TW_UINT32 nextId_ = 1;
    std::map<TW_UINT32, std::unique_ptr<TDataSource>> sources_;
};

std::vector<TSourceInfo> TSourceManager::Sources(bool withScanners) const {
    std::vector<TSourceInfo> list = registered;
    if (!withScanners) return list;
    for (const TSaneDeviceInfo &device : SaneDevices()) {
        TSourceInfo info;
        info.identity.Version.MajorNum = 1;
        info.identity.Version.Language = TWLG_ENGLISH;
        info.identity.Version.Country = TWCY_USA;
        info.identity.ProtocolMajor = 1;
        info.identity.ProtocolMinor = 9;
        info.identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
        CopyName(info.identity.Manufacturer, device.vendor);
        CopyName(info.identity.ProductFamily, device.model);
        CopyName(info.identity.ProductName, device.name);
        info.saneName = device.name;
        list.push_back(info);
    }
    return list;
}

TW_UINT16 TSourceManager::OpenSource(pTW_IDENTITY origin, TW_IDENTITY *identity) {
    if (!identity) return Fail(TWCC_BADVALUE);
    const bool wantDefault = identity->ProductName[0] == '\0';
    TW_IDENTITY wanted = wantDefault && haveChoice ? choice : *identity;
    const bool anyWillDo = wantDefault && !haveChoice;
    // Registered sources come first, so the scanners are only asked for when needed.
    std::vector<TSourceInfo> list = Sources(false);
    if (!(anyWillDo && !list.empty())) {
        bool found = false;
        for (const TSourceInfo &s : list) found = found || SameSource(s.identity, wanted);
        if (!found) list = Sources(true);
    }
    const TSourceInfo *picked = nullptr;
    for (const TSourceInfo &s : list) {
        if (anyWillDo || SameSource(s.identity, wanted)) {
            picked = &s;
            break;
        }
    }
    if (!picked) return Fail(TWCC_NODS);

    const TW_UINT32 id = nextId_++;
    std::unique_ptr<TDataSource> source;
    if (picked->entry)
        source = std::make_unique<TEntrySource>(picked->entry);
    else
        source = OpenSaneSource(picked->saneName, id);
    if (!source) return Fail(TWCC_OPERATIONERROR);

    TW_IDENTITY filled = picked->identity;
    filled.Id = id;
    if (picked->entry) {
        const TW_UINT16 rc = source->Entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &filled);
        if (rc != TWRC_SUCCESS) return Fail(TWCC_OPERATIONERROR);
    }
    *identity = filled;
    sources_[id] = std::move(source);
    return TWRC_SUCCESS;
}

TW_UINT16 TSourceManager::UserSelect(TW_IDENTITY *identity) {
    if (!identity) return Fail(TWCC_BADVALUE);
    std::vector<TSourceInfo> list = Sources(true);
    if (list.empty()) return Fail(TWCC_NODS);
    if (!WidgetsAvailable()) return Fail(TWCC_BUMMER);
    std::vector<std::string> labels;
    int current = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        const TW_IDENTITY &id = list[i].identity;
        labels.push_back(std::string(id.Manufacturer) + " " + id.ProductFamily + " (" + id.ProductName + ")");
        if (haveChoice && SameSource(id, choice)) current = static_cast<int>(i);
    }
    const int chosen = RunSelectSourceDialog(labels, current);
    if (chosen < 0) return TWRC_CANCEL;
    choice = list[chosen].identity;
    haveChoice = true;
    *identity = choice;
    return TWRC_SUCCESS;
}

void TSourceManager::CloseAllSources() {
    sources_.clear();
    ReleaseSane();
}

TW_UINT16 TSourceManager::ManagerCall(pTW_IDENTITY origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (dat == DAT_STATUS && msg == MSG_GET) {
        if (!data) return TWRC_FAILURE;
        auto *status = static_cast<TW_STATUS *>(data);
        status->ConditionCode = condition_;
        status->Reserved = 0;
        condition_ = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_PARENT && msg == MSG_OPENDSM) {
        if (open_) return Fail(TWCC_SEQERROR);
        open_ = true;
        return TWRC_SUCCESS;
    }
    if (!open_) return Fail(TWCC_SEQERROR);
    if (dat == DAT_PARENT && msg == MSG_CLOSEDSM) {
        // An application that leaves takes its sources with it.
        CloseAllSources();
        open_ = false;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_IDENTITY && msg == MSG_OPENDS) return OpenSource(origin, static_cast<TW_IDENTITY *>(data));
    if (dat == DAT_IDENTITY && msg == MSG_USERSELECT) return UserSelect(static_cast<TW_IDENTITY *>(data));
    return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 TSourceManager::Call(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat,
                               TW_UINT16 msg, TW_MEMREF data) {
    if (!origin) return Fail(TWCC_BADPROTOCOL);
    if (!dest) {
        if (dg != DG_CONTROL) return Fail(TWCC_BADPROTOCOL);
        return ManagerCall(origin, dat, msg, data);
    }
    if (!open_) return Fail(TWCC_SEQERROR);
    auto it = sources_.find(dest->Id);
    if (it == sources_.end()) return Fail(TWCC_BADDEST);
    if (dg == DG_CONTROL && dat == DAT_IDENTITY && msg == MSG_CLOSEDS) {
        TW_UINT16 rc = TWRC_SUCCESS;
        if (dynamic_cast<TEntrySource *>(it->second.get()))
            rc = it->second->Entry(origin, dg, dat, msg, dest);
        if (rc != TWRC_SUCCESS) return Fail(TWCC_OPERATIONERROR);
        sources_.erase(it);
        return TWRC_SUCCESS;
    }
    return it->second->Entry(origin, dg, dat, msg, data);
}

TSourceManager &Manager() {
    static TSourceManager manager;
    return manager;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) TW_UINT16 DSM_Entry(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest,
                                                           TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                                                           TW_MEMREF pData) {
    TSourceManager &m = Manager();
    TW_UINT16 rc = TWRC_FAILURE;
    // Nothing may unwind through the C entry point into the application.
    try {
        rc = m.Call(pOrigin, pDest, DG, DAT, MSG, pData);
    } catch (const std::bad_alloc &) {
        m.SetCondition(TWCC_LOWMEMORY);
    } catch (...) {
        m.SetCondition(TWCC_BUMMER);
    }
    if (m.trace) m.trace(m.traceContext, pOrigin, pDest, DG, DAT, MSG, pData, rc);
    return rc;
}

__attribute__((visibility("default"))) void BorvaneDSM_AddSource(const TW_IDENTITY *identity,
                                                                 DSENTRYPROC entry) {
    if (!identity || !entry) return;
    TSourceInfo info;
    info.identity = *identity;
    info.identity.Id = 0;
    info.entry = entry;
    Manager().registered.push_back(info);
}

__attribute__((visibility("default"))) void BorvaneDSM_ClearSources(void) {
    Manager().registered.clear();
    Manager().haveChoice = false;
}

__attribute__((visibility("default"))) void BorvaneDSM_SetTrace(BORVANE_DSM_TRACEPROC proc, void *context) {
    Manager().trace = proc;
    Manager().traceContext = context;
}
}
