#pragma once
// Borvane's additions to the source manager's C interface, beside DSM_Entry.
// They let a test put a scripted data source in front of the system's scanners
// and watch every triplet the source manager is given; the program never calls
// them.
#include "platform/twain/twain.h"

extern "C" {

// Called after every DSM_Entry call with its arguments and its return code.
typedef void (*BORVANE_DSM_TRACEPROC)(void *context, pTW_IDENTITY pOrigin, pTW_IDENTITY pDest, TW_UINT32 DG,
                                      TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData, TW_UINT16 rc);

// Adds a data source reached through `entry`, listed before the system's
// scanners (so it is the default source unless the user picked another).
// `identity` gives its Manufacturer, ProductFamily and ProductName.
void BorvaneDSM_AddSource(const TW_IDENTITY *identity, DSENTRYPROC entry);
// Removes every source added with BorvaneDSM_AddSource and forgets the user's choice.
void BorvaneDSM_ClearSources(void);
// Installs (or, with nullptr, removes) the trace procedure.
void BorvaneDSM_SetTrace(BORVANE_DSM_TRACEPROC proc, void *context);
}
