#include "app/dmcenter.h"

#include <QDate>
#include <QDateTime>

#include <exception>

TdmCenter *dmCenter = nullptr;

TdmCenter::TdmCenter() {
    dbTambra.Name = QStringLiteral("dbTambra");
    // The stored path is never used: dbTambraBeforeConnect replaces it.
    dbTambra.Path = QStringLiteral("C:\\borvane\\TAMBRA.GDB");
    dbTambra.UserName = QStringLiteral("sysdba");
    dbTambra.Password = QStringLiteral("masterkey");
    dbTambra.LoginPrompt = false;
    dbTambra.OnBeforeConnect = [this] { dbTambraBeforeConnect(); };

    GroupFileTable.Name = QStringLiteral("GroupFileTable");
    GroupFileTable.SelectSQL = QStringLiteral("SELECT * FROM GROUPFILE ORDER BY DESCRIPT");
    GroupFileTable.InsertSQL = QStringLiteral("INSERT INTO GROUPFILE( GROUPID, /*PK*/ DESCRIPT) VALUES ( :GROUPID, :DESCRIPT)");
    GroupFileTable.ModifySQL = QStringLiteral("UPDATE GROUPFILE SET GROUPID = :GROUPID, /*PK*/ DESCRIPT = :DESCRIPT WHERE GROUPID = :OLD_GROUPID");
    GroupFileTable.DeleteSQL = QStringLiteral("DELETE FROM GROUPFILE WHERE GROUPID = :OLD_GROUPID");
    GroupFileTableDESCRIPT = GroupFileTable.AddField(QStringLiteral("GroupFileTableDESCRIPT"), QStringLiteral("DESCRIPT"),
                                                     ftString, 50, true, true, QStringLiteral("ชื่อตู้เก็บเอกสาร"), 20);
    GroupFileTableGROUPID = GroupFileTable.AddField(QStringLiteral("GroupFileTableGROUPID"), QStringLiteral("GROUPID"),
                                                    ftInteger, 0, true, false);
    GroupFileTable.OnNewRecord = [this](TDataSet &ds) { GroupFileTableNewRecord(ds); };

    DocumentTable.Name = QStringLiteral("DocumentTable");
    DocumentTable.SelectSQL = QStringLiteral("SELECT * FROM DOCUMENT WHERE GROUPID=:GROUPID ORDER BY DESCRIPT");
    DocumentTable.InsertSQL = QStringLiteral("INSERT INTO DOCUMENT( DOCNO, /*PK*/ GROUPID, DESCRIPT, ONDATE, DOCDATE, PASSWD, ISPASSWD, COUNTPAGE) VALUES ( :DOCNO, :GROUPID, :DESCRIPT, :ONDATE, :DOCDATE, :PASSWD, :ISPASSWD, :COUNTPAGE)");
    DocumentTable.ModifySQL = QStringLiteral("UPDATE DOCUMENT SET DOCNO = :DOCNO, /*PK*/ GROUPID = :GROUPID, DESCRIPT = :DESCRIPT, ONDATE = :ONDATE, DOCDATE = :DOCDATE, PASSWD = :PASSWD, ISPASSWD = :ISPASSWD, COUNTPAGE = :COUNTPAGE WHERE DOCNO = :OLD_DOCNO");
    DocumentTable.DeleteSQL = QStringLiteral("DELETE FROM DOCUMENT WHERE DOCNO = :OLD_DOCNO");
    DocumentTableDESCRIPT = DocumentTable.AddField(QStringLiteral("DocumentTableDESCRIPT"), QStringLiteral("DESCRIPT"),
                                                   ftString, 50, true, true, QStringLiteral("แฟ้มเก็บเอกสาร"), 39);
    DocumentTableONDATE = DocumentTable.AddField(QStringLiteral("DocumentTableONDATE"), QStringLiteral("ONDATE"),
                                                 ftDateTime, 0, true, true, QStringLiteral("วันที่บันทึก"), 10);
    DocumentTableDOCDATE = DocumentTable.AddField(QStringLiteral("DocumentTableDOCDATE"), QStringLiteral("DOCDATE"),
                                                  ftDateTime, 0, true, true, QStringLiteral("วันที่ในเอกสาร"), 11);
    DocumentTableCOUNTPAGE = DocumentTable.AddField(QStringLiteral("DocumentTableCOUNTPAGE"), QStringLiteral("COUNTPAGE"),
                                                    ftInteger, 0, true, true, QStringLiteral("จำนวนหน้า"), 10);
    DocumentTableDOCNO = DocumentTable.AddField(QStringLiteral("DocumentTableDOCNO"), QStringLiteral("DOCNO"),
                                                ftInteger, 0, true, false);
    DocumentTableGROUPID = DocumentTable.AddField(QStringLiteral("DocumentTableGROUPID"), QStringLiteral("GROUPID"),
                                                  ftInteger, 0, true, false);
    DocumentTablePASSWD = DocumentTable.AddField(QStringLiteral("DocumentTablePASSWD"), QStringLiteral("PASSWD"),
                                                 ftString, 10, false, false);
    DocumentTableISPASSWD = DocumentTable.AddField(QStringLiteral("DocumentTableISPASSWD"), QStringLiteral("ISPASSWD"),
                                                   ftString, 1, false, false);
    DocumentTable.SetMasterSource(&GroupFileLinkDS);
    DocumentTable.OnNewRecord = [this](TDataSet &ds) { DocumentTableNewRecord(ds); };

    ImageFileTable.Name = QStringLiteral("ImageFileTable");
    ImageFileTable.SelectSQL = QStringLiteral("SELECT * FROM IMAGEFILE WHERE DOCNO=:DOCNO");
    ImageFileTable.InsertSQL = QStringLiteral("INSERT INTO IMAGEFILE( DOCNO, /*PK*/ PAGENO, /*PK*/ IMAGES) VALUES ( :DOCNO, :PAGENO, :IMAGES)");
    ImageFileTable.ModifySQL = QStringLiteral("UPDATE IMAGEFILE SET DOCNO = :DOCNO, /*PK*/ PAGENO = :PAGENO, /*PK*/ IMAGES = :IMAGES WHERE DOCNO = :OLD_DOCNO AND PAGENO = :OLD_PAGENO");
    ImageFileTable.DeleteSQL = QStringLiteral("DELETE FROM IMAGEFILE WHERE DOCNO = :OLD_DOCNO AND PAGENO = :OLD_PAGENO");
    ImageFileTableDOCNO = ImageFileTable.AddField(QStringLiteral("ImageFileTableDOCNO"), QStringLiteral("DOCNO"),
                                                  ftInteger, 0, true, true);
    ImageFileTablePAGENO = ImageFileTable.AddField(QStringLiteral("ImageFileTablePAGENO"), QStringLiteral("PAGENO"),
                                                   ftInteger, 0, true, true);
    ImageFileTableIMAGES = ImageFileTable.AddField(QStringLiteral("ImageFileTableIMAGES"), QStringLiteral("IMAGES"),
                                                   ftBlob, 0, true, true);
    ImageFileTable.SetMasterSource(&DocumentDS);
    ImageFileTable.OnNewRecord = [this](TDataSet &ds) { ImageFileTableNewRecord(ds); };

    OtherFileTable.Name = QStringLiteral("OtherFileTable");
    OtherFileTable.SelectSQL = QStringLiteral("SELECT * FROM OTHERFILE WHERE DOCNO = :DOCNO");
    OtherFileTable.InsertSQL = QStringLiteral("INSERT INTO OTHERFILE( ITEMNO, /*PK*/ DOCNO, FILENAME, FILETYPE, FILEDATA) VALUES ( :ITEMNO, :DOCNO, :FILENAME, :FILETYPE, :FILEDATA)");
    OtherFileTable.ModifySQL = QStringLiteral("UPDATE OTHERFILE SET ITEMNO = :ITEMNO, /*PK*/ DOCNO = :DOCNO, FILENAME = :FILENAME, FILETYPE = :FILETYPE, FILEDATA = :FILEDATA WHERE ITEMNO = :OLD_ITEMNO");
    OtherFileTable.DeleteSQL = QStringLiteral("DELETE FROM OTHERFILE WHERE ITEMNO = :OLD_ITEMNO");
    OtherFileTableITEMNO = OtherFileTable.AddField(QStringLiteral("OtherFileTableITEMNO"), QStringLiteral("ITEMNO"),
                                                   ftInteger, 0, true, true, QStringLiteral("ลำดับ"), 10);
    OtherFileTableDOCNO = OtherFileTable.AddField(QStringLiteral("OtherFileTableDOCNO"), QStringLiteral("DOCNO"),
                                                  ftInteger, 0, true, true, QStringLiteral("เลขที่แฟ้ม"), 10);
    OtherFileTableFILENAME = OtherFileTable.AddField(QStringLiteral("OtherFileTableFILENAME"), QStringLiteral("FILENAME"),
                                                     ftString, 50, true, true, QStringLiteral("รายละเอียดของไฟล์ที่เก็บ"), 50);
    OtherFileTableFILETYPE = OtherFileTable.AddField(QStringLiteral("OtherFileTableFILETYPE"), QStringLiteral("FILETYPE"),
                                                     ftString, 3, true, true, QStringLiteral("ประเภทไฟล์"), 3);
    OtherFileTableFILEDATA = OtherFileTable.AddField(QStringLiteral("OtherFileTableFILEDATA"), QStringLiteral("FILEDATA"),
                                                     ftBlob, 0, false, true, QString(), 10);
    OtherFileTable.OnNewRecord = [this](TDataSet &ds) { OtherFileTableNewRecord(ds); };

    GroupFileLinkDS.Name = QStringLiteral("GroupFileLinkDS");
    DocumentDS.Name = QStringLiteral("DocumentDS");
    OtherFileDS.Name = QStringLiteral("OtherFileDS");
    spClearAllData.Name = QStringLiteral("spClearAllData");
    spClearAllData.StoredProcName = QStringLiteral("CLEARALLDATA");

    dmCenter = this;
}

TdmCenter::~TdmCenter() {
    try {
        DataModuleDestroy();
    } catch (...) {
        // Nothing can be shown any more at this point of the exit.
    }
    if (dmCenter == this) dmCenter = nullptr;
}

void TdmCenter::dbTambraBeforeConnect() { dbTambra.Path = DatabasePath; }

void TdmCenter::GroupFileTableNewRecord(TDataSet &) {
    GroupFileTableGROUPID->SetAsInteger(dbTambra.GenId(QStringLiteral("GEN_GROUPID"), 1));
}

void TdmCenter::DocumentTableNewRecord(TDataSet &) {
    DocumentTableDOCNO->SetAsInteger(dbTambra.GenId(QStringLiteral("GEN_DOCNO"), 1));
    DocumentTableGROUPID->SetAsInteger(GroupFileTableGROUPID->AsInteger());
    DocumentTableISPASSWD->SetAsString(QStringLiteral("N"));
    DocumentTablePASSWD->SetAsString(QStringLiteral("470"));
    DocumentTableONDATE->SetAsDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
    DocumentTableDOCDATE->SetAsDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
    DocumentTableCOUNTPAGE->SetAsInteger(0);
}

void TdmCenter::ImageFileTableNewRecord(TDataSet &) {
    ImageFileTablePAGENO->SetAsInteger(dbTambra.GenId(QStringLiteral("GEN_PAGENO"), 1));
}

void TdmCenter::OtherFileTableNewRecord(TDataSet &) {
    OtherFileTableITEMNO->SetAsInteger(dbTambra.GenId(QStringLiteral("GEN_OTHERFILE"), 1));
    OtherFileTableDOCNO->SetAsInteger(DocumentTableDOCNO->AsInteger());
    OtherFileTableFILENAME->SetAsString(QStringLiteral("ใส่รายละเอียดของไฟล์ที่เก็บ"));
    OtherFileTableFILETYPE->SetAsString(QStringLiteral("XXX"));
}

void TdmCenter::DataModuleDestroy() {
    // Each pending edit is posted on its own: one refused post must not lose
    // the others. The first failure is raised once all have been tried.
    std::exception_ptr first;
    for (TIBQuery *ds : {&GroupFileTable, &DocumentTable, &ImageFileTable}) {
        if (ds->State() != dsEdit && ds->State() != dsInsert) continue;
        try {
            ds->Post();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}
