#pragma once
// TWAIN 1.x: the structures, constants and entry points shared by the
// application, the source manager (libborvane_twain.so) and the data sources.
// Layouts follow the published standard's 2-byte packing, so TW_IDENTITY is 156
// bytes and TW_IMAGEINFO 42, as every TWAIN 1.x party expects.
#include <cstdint>

extern "C" {

typedef uint8_t TW_UINT8;
typedef int8_t TW_INT8;
typedef uint16_t TW_UINT16;
typedef int16_t TW_INT16;
typedef uint32_t TW_UINT32;
typedef int32_t TW_INT32;
typedef uint16_t TW_BOOL;
typedef void *TW_HANDLE;
typedef void *TW_MEMREF;
typedef char TW_STR32[34];

#pragma pack(push, 2)

typedef struct {
    TW_INT16 Whole;
    TW_UINT16 Frac;
} TW_FIX32;

typedef struct {
    TW_UINT16 MajorNum;
    TW_UINT16 MinorNum;
    TW_UINT16 Language;
    TW_UINT16 Country;
    TW_STR32 Info;
} TW_VERSION;

typedef struct {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor;
    TW_UINT16 ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer;
    TW_STR32 ProductFamily;
    TW_STR32 ProductName;
} TW_IDENTITY, *pTW_IDENTITY;

typedef struct {
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
} TW_CAPABILITY;

typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
} TW_ONEVALUE;

typedef struct {
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent;
} TW_USERINTERFACE;

// pEvent is the platform's message; here the QEvent* the application's
// message loop is about to dispatch (see twainevent.h).
typedef struct {
    TW_MEMREF pEvent;
    TW_UINT16 TWMessage;
} TW_EVENT;

typedef struct {
    TW_FIX32 XResolution;
    TW_FIX32 YResolution;
    TW_INT32 ImageWidth;
    TW_INT32 ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_BOOL Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
} TW_IMAGEINFO;

typedef struct {
    TW_UINT16 Count;
    TW_UINT32 EOJ;
} TW_PENDINGXFERS;

typedef struct {
    TW_UINT16 ConditionCode;
    TW_UINT16 Reserved;
} TW_STATUS;

#pragma pack(pop)

// Data groups
#define DG_CONTROL 0x0001UL
#define DG_IMAGE 0x0002UL

// Data argument types
#define DAT_CAPABILITY 0x0001
#define DAT_EVENT 0x0002
#define DAT_IDENTITY 0x0003
#define DAT_PARENT 0x0004
#define DAT_PENDINGXFERS 0x0005
#define DAT_STATUS 0x0008
#define DAT_USERINTERFACE 0x0009
#define DAT_IMAGEINFO 0x0101
#define DAT_IMAGENATIVEXFER 0x0104

// Messages
#define MSG_NULL 0x0000
#define MSG_GET 0x0001
#define MSG_GETCURRENT 0x0002
#define MSG_GETDEFAULT 0x0003
#define MSG_SET 0x0006
#define MSG_RESET 0x0007
#define MSG_XFERREADY 0x0101
#define MSG_CLOSEDSREQ 0x0102
#define MSG_OPENDSM 0x0301
#define MSG_CLOSEDSM 0x0302
#define MSG_OPENDS 0x0401
#define MSG_CLOSEDS 0x0402
#define MSG_USERSELECT 0x0403
#define MSG_DISABLEDS 0x0501
#define MSG_ENABLEDS 0x0502
#define MSG_PROCESSEVENT 0x0601
#define MSG_ENDXFER 0x0701

// Return codes
#define TWRC_SUCCESS 0
#define TWRC_FAILURE 1
#define TWRC_CHECKSTATUS 2
#define TWRC_CANCEL 3
#define TWRC_DSEVENT 4
#define TWRC_NOTDSEVENT 5
#define TWRC_XFERDONE 6

// Condition codes
#define TWCC_SUCCESS 0
#define TWCC_BUMMER 1
#define TWCC_LOWMEMORY 2
#define TWCC_NODS 3
#define TWCC_OPERATIONERROR 5
#define TWCC_BADCAP 6
#define TWCC_BADPROTOCOL 9
#define TWCC_BADVALUE 10
#define TWCC_SEQERROR 11
#define TWCC_BADDEST 12

// Containers and item types
#define TWON_ONEVALUE 5
#define TWTY_INT8 0x0000
#define TWTY_INT16 0x0001
#define TWTY_INT32 0x0002
#define TWTY_UINT8 0x0003
#define TWTY_UINT16 0x0004
#define TWTY_UINT32 0x0005
#define TWTY_BOOL 0x0006
#define TWTY_FIX32 0x0007

// Capabilities
#define CAP_XFERCOUNT 0x0001
#define ICAP_PIXELTYPE 0x0101
#define ICAP_UNITS 0x0102
#define ICAP_XFERMECH 0x0103
#define ICAP_XRESOLUTION 0x1118
#define ICAP_YRESOLUTION 0x1119
#define ICAP_BITDEPTH 0x112B

// Capability values
#define TWPT_BW 0
#define TWPT_GRAY 1
#define TWPT_RGB 2
#define TWPT_PALETTE 3
#define TWUN_INCHES 0
#define TWSX_NATIVE 0
#define TWCP_NONE 0
#define TWLG_ENGLISH 2
#define TWCY_USA 1

// The source manager's single entry point, and a data source's.
typedef TW_UINT16 (*DSMENTRYPROC)(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest, TW_UINT32 DG, TW_UINT16 DAT,
                                  TW_UINT16 MSG, TW_MEMREF pData);
typedef TW_UINT16 (*DSENTRYPROC)(pTW_IDENTITY pOrigin, TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                                 TW_MEMREF pData);

TW_UINT16 DSM_Entry(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest, TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                    TW_MEMREF pData);

}  // extern "C"

static_assert(sizeof(TW_IDENTITY) == 156, "TWAIN 1.x identity layout");
static_assert(sizeof(TW_IMAGEINFO) == 42, "TWAIN 1.x image information layout");
static_assert(sizeof(TW_ONEVALUE) == 6, "TWAIN 1.x one-value container layout");
