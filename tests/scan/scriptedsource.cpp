#include "scriptedsource.h"

#include <cstdio>
#include <cstring>

#include "platform/core/globalmem.h"
#include "platform/twain/dsmext.h"
#include "platform/twain/twainevent.h"

namespace {

TSourceScript g_script;
TW_UINT32 g_id = 0;
TW_HANDLE g_parent = nullptr;
int g_pending = 0;
int g_transfer = 0;

const char *Name(TW_UINT16 dat, TW_UINT16 msg) {
    struct Row { TW_UINT16 dat, msg; const char *name; };
    static const Row kRows[] = {
        {DAT_PARENT, MSG_OPENDSM, "OPENDSM"},         {DAT_PARENT, MSG_CLOSEDSM, "CLOSEDSM"},
        {DAT_IDENTITY, MSG_OPENDS, "OPENDS"},         {DAT_IDENTITY, MSG_CLOSEDS, "CLOSEDS"},
        {DAT_IDENTITY, MSG_USERSELECT, "USERSELECT"}, {DAT_CAPABILITY, MSG_SET, "CAP"},
        {DAT_USERINTERFACE, MSG_ENABLEDS, "ENABLEDS"}, {DAT_USERINTERFACE, MSG_DISABLEDS, "DISABLEDS"},
        {DAT_EVENT, MSG_PROCESSEVENT, "PROCESSEVENT"}, {DAT_IMAGEINFO, MSG_GET, "IMAGEINFO"},
        {DAT_IMAGENATIVEXFER, MSG_GET, "NATIVEXFER"}, {DAT_PENDINGXFERS, MSG_ENDXFER, "ENDXFER"},
        {DAT_PENDINGXFERS, MSG_RESET, "RESET"},       {DAT_STATUS, MSG_GET, "STATUS"},
    };
    for (const Row &r : kRows)
        if (r.dat == dat && r.msg == msg) return r.name;
    return "?";
}

void Trace(void *context, pTW_IDENTITY, pTW_IDENTITY, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
           TW_MEMREF data, TW_UINT16 rc) {
    auto *log = static_cast<TTripletLog *>(context);
    // Events that are not the source's own are the ordinary traffic of the
    // message loop; a status request is how a call learns its condition code.
    if (dat == DAT_EVENT && rc == TWRC_NOTDSEVENT) return;
    if (dat == DAT_STATUS) return;
    std::string entry = Name(dat, msg);
    if (dat == DAT_CAPABILITY && data) {
        const auto *cap = static_cast<TW_CAPABILITY *>(data);
        TW_ONEVALUE one{};
        if (const void *bytes = BorvaneGlobalLock(cap->hContainer)) {
            std::memcpy(&one, bytes, sizeof one);
            BorvaneGlobalUnlock(cap->hContainer);
        }
        char text[64];
        std::snprintf(text, sizeof text, " 0x%04X on%u t%u %u", cap->Cap, cap->ConType, one.ItemType, one.Item);
        entry += text;
    }
    if (rc != TWRC_SUCCESS) entry += " rc" + std::to_string(rc);
    (void)dg;
    log->entries.push_back(entry);
}

TW_UINT16 ScriptedEntry(pTW_IDENTITY, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (dat == DAT_IDENTITY && msg == MSG_OPENDS) {
        g_id = static_cast<TW_IDENTITY *>(data)->Id;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_IDENTITY && msg == MSG_CLOSEDS) return g_script.closeFails ? TWRC_FAILURE : TWRC_SUCCESS;
    if (dat == DAT_STATUS) {
        static_cast<TW_STATUS *>(data)->ConditionCode = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_CAPABILITY) return TWRC_SUCCESS;
    if (dat == DAT_USERINTERFACE && msg == MSG_ENABLEDS) {
        if (g_script.enableFails) return TWRC_FAILURE;
        g_parent = static_cast<TW_USERINTERFACE *>(data)->hParent;
        g_pending = g_script.images;
        g_transfer = 0;
        if (g_script.onEnable == TSourceScript::PostXferReady) PostSourceMessage(g_parent, g_id, MSG_XFERREADY);
        if (g_script.onEnable == TSourceScript::PostCloseRequest) PostSourceMessage(g_parent, g_id, MSG_CLOSEDSREQ);
        return TWRC_SUCCESS;
    }
    if (dat == DAT_USERINTERFACE && msg == MSG_DISABLEDS) return TWRC_SUCCESS;
    if (dat == DAT_EVENT) {
        auto *event = static_cast<TW_EVENT *>(data);
        event->TWMessage = SourceMessageOf(event->pEvent, g_id);
        return event->TWMessage != MSG_NULL ? TWRC_DSEVENT : TWRC_NOTDSEVENT;
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGEINFO) {
        if (g_script.imageInfoFails) return TWRC_FAILURE;
        auto *info = static_cast<TW_IMAGEINFO *>(data);
        info->XResolution.Whole = static_cast<TW_INT16>(300 + g_transfer);
        info->YResolution.Whole = static_cast<TW_INT16>(150 + g_transfer);
        return TWRC_SUCCESS;
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER) {
        const int n = g_transfer++;
        if (n == g_script.cancelAt) return TWRC_CANCEL;
        HGLOBAL h = BorvaneGlobalAlloc(44);
        auto *bytes = static_cast<unsigned char *>(BorvaneGlobalLock(h));
        bytes[40] = static_cast<unsigned char>(n);  // which image this is
        BorvaneGlobalUnlock(h);
        *static_cast<TW_HANDLE *>(data) = h;
        return TWRC_XFERDONE;
    }
    if (dat == DAT_PENDINGXFERS && msg == MSG_ENDXFER) {
        if (g_pending > 0) --g_pending;
        static_cast<TW_PENDINGXFERS *>(data)->Count = static_cast<TW_UINT16>(g_pending);
        return TWRC_SUCCESS;
    }
    if (dat == DAT_PENDINGXFERS && msg == MSG_RESET) {
        g_pending = 0;
        static_cast<TW_PENDINGXFERS *>(data)->Count = 0;
        return TWRC_SUCCESS;
    }
    return TWRC_FAILURE;
}

}  // namespace

void InstallScriptedSource(const TSourceScript &script, TTripletLog &log) {
    g_script = script;
    BorvaneDSM_ClearSources();
    TW_IDENTITY identity{};
    std::strcpy(identity.Manufacturer, "Borvane");
    std::strcpy(identity.ProductFamily, "Tests");
    std::strcpy(identity.ProductName, "Scripted source");
    BorvaneDSM_AddSource(&identity, ScriptedEntry);
    BorvaneDSM_SetTrace(Trace, &log);
}

void RemoveScriptedSource() {
    BorvaneDSM_SetTrace(nullptr, nullptr);
    BorvaneDSM_ClearSources();
}
