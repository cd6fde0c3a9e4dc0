#pragma once
// The one data module: the connection to TAMBRA.GDB, the four datasets with
// their statements and field objects, the master-detail chain and the
// new-record defaults. Every window reaches the data only through dmCenter.
#include <QString>

#include <memory>

#include "platform/db/database.h"

class TdmCenter {
public:
    TdmCenter();
    ~TdmCenter();   // DataModuleDestroy
    TdmCenter(const TdmCenter &) = delete;
    TdmCenter &operator=(const TdmCenter &) = delete;

    TIBDatabase dbTambra;
    TIBQuery GroupFileTable{&dbTambra};
    TIBQuery DocumentTable{&dbTambra};
    TIBQuery ImageFileTable{&dbTambra};
    TIBQuery OtherFileTable{&dbTambra};
    TDataSource GroupFileLinkDS{&GroupFileTable};
    TDataSource DocumentDS{&DocumentTable};
    TDataSource OtherFileDS{&OtherFileTable};
    TIBStoredProc spClearAllData{&dbTambra};

    TField *GroupFileTableDESCRIPT;
    TField *GroupFileTableGROUPID;
    TField *DocumentTableDESCRIPT;
    TField *DocumentTableONDATE;
    TField *DocumentTableDOCDATE;
    TField *DocumentTableCOUNTPAGE;
    TField *DocumentTableDOCNO;
    TField *DocumentTableGROUPID;
    TField *DocumentTablePASSWD;
    TField *DocumentTableISPASSWD;
    TField *ImageFileTableDOCNO;
    TField *ImageFileTablePAGENO;
    TField *ImageFileTableIMAGES;
    TField *OtherFileTableITEMNO;
    TField *OtherFileTableDOCNO;
    TField *OtherFileTableFILENAME;
    TField *OtherFileTableFILETYPE;
    TField *OtherFileTableFILEDATA;

    // Full path of the database file; the main window fills it.
    QString DatabasePath;

    // The grid setting that draws ISPASSWD as a check box ticked for "N".
    static constexpr const char *DocumentTableControlType = "ISPASSWD;CheckBox;N;Y";

    void dbTambraBeforeConnect();
    void GroupFileTableNewRecord(TDataSet &ds);
    void DocumentTableNewRecord(TDataSet &ds);
    void ImageFileTableNewRecord(TDataSet &ds);
    void OtherFileTableNewRecord(TDataSet &ds);
    void DataModuleDestroy();
};

// The program's data module; set while one exists.
extern TdmCenter *dmCenter;
