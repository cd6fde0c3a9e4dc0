#pragma once
// A data source driven by a script instead of a scanner, registered with the
// source manager through BorvaneDSM_AddSource, plus a recorder of the triplets
// the source manager is given.
#include <string>
#include <vector>

#include "platform/twain/twain.h"

struct TSourceScript {
    enum OnEnable { PostXferReady, PostCloseRequest, PostNothing };
    OnEnable onEnable = PostXferReady;
    int images = 1;                 // images pending after MSG_XFERREADY
    int cancelAt = -1;              // 0-based transfer that answers TWRC_CANCEL
    bool imageInfoFails = false;
    bool enableFails = false;
    bool closeFails = false;
};

// One triplet as the source manager saw it: "DG/DAT/MSG rc", capabilities with
// their value, e.g. "CAP 0x0101 t4 1".
struct TTripletLog {
    std::vector<std::string> entries;
};

// Installs the scripted source as the only added source and starts recording.
void InstallScriptedSource(const TSourceScript &script, TTripletLog &log);
void RemoveScriptedSource();
