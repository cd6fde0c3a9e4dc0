#pragma once
// Byte streams that every image reader and writer works on.
//
// TStream is a positioned sequence of bytes: Read and Write move the position,
// Seek sets it from the start, the current position or the end. Read answers
// the number of bytes actually read (short at the end of the data, never an
// exception); ReadBuffer and WriteBuffer are the checked forms that raise
// EReadError / EWriteError when not every byte could be moved. Readers that
// parse headers use ReadBuffer, or compare Read's answer themselves.
//
//   TMemoryStream   bytes in memory; grows on write; positions past the end
//                   are allowed and a write there zero-fills the gap. Its bytes
//                   can be handed out without a copy (Memory(), RawByteArray())
//                   or moved out (TakeBytes()).
//   TFileStream     a file, opened with sharing allowed (nothing is locked).
//
// Readers that need absolute offsets copy the stream from its current position
// into a TMemoryStream first (CopyFrom), so offsets count from the first byte
// of the image file.
#include "platform/core/error.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

class EStreamError : public Exception {
public:
    using Exception::Exception;
};
// A file that cannot be opened or created.
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
// "Stream read error": ReadBuffer got fewer bytes than asked for.
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
// "Stream write error": WriteBuffer could not write every byte.
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

enum class TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;
    TStream(const TStream &) = delete;
    TStream &operator=(const TStream &) = delete;

    // Reads up to count bytes; answers how many were read (0 at the end).
    virtual int64_t Read(void *buffer, int64_t count) = 0;
    // Writes count bytes; answers how many were written.
    virtual int64_t Write(const void *buffer, int64_t count) = 0;
    // Moves the position; answers the new position. A position before the
    // start raises EStreamError.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size() const = 0;
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }

    // Reads exactly count bytes or raises EReadError.
    void ReadBuffer(void *buffer, int64_t count);
    // Writes exactly count bytes or raises EWriteError.
    void WriteBuffer(const void *buffer, int64_t count);
    // Copies count bytes from source's position onward; count 0 copies from
    // source's start to its end (source is rewound first), as the classic
    // stream copy does. Answers the number of bytes copied.
    int64_t CopyFrom(TStream &source, int64_t count);

protected:
    TStream() = default;
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    // Takes the bytes over without a copy; the position starts at 0.
    explicit TMemoryStream(std::vector<uint8_t> &&bytes) : data_(std::move(bytes)) {}
    // Copies the bytes.
    explicit TMemoryStream(const QByteArray &bytes);

    int64_t Read(void *buffer, int64_t count) override;
    int64_t Write(const void *buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t size) override;

    // The bytes, valid until the next write or SetSize.
    uint8_t *Memory() { return data_.data(); }
    const uint8_t *Memory() const { return data_.data(); }
    // A QByteArray that views the bytes without copying them (QByteArray::
    // fromRawData): valid while this stream lives and is not written. Copying
    // the QByteArray later (e.g. detaching it) copies the bytes then.
    QByteArray RawByteArray() const;
    // Moves the bytes out; the stream is empty afterwards.
    std::vector<uint8_t> TakeBytes();
    // Empties the stream.
    void Clear();
    // Reads the whole file (raises EFOpenError / EReadError).
    void LoadFromFile(const QString &fileName);
    // Writes the whole stream to a new file (raises EFCreateError / EWriteError).
    void SaveToFile(const QString &fileName) const;

private:
    std::vector<uint8_t> data_;
    int64_t pos_ = 0;
};

class TFileStream : public TStream {
public:
    enum TMode {
        fmOpenRead,       // existing file, read only
        fmOpenReadWrite,  // existing file, read and write
        fmCreate,         // new or truncated file, read and write
    };
    // Opens with sharing allowed: other readers and writers are not locked out.
    // Raises EFOpenError (EFCreateError for fmCreate) with the file name and
    // the system's reason.
    TFileStream(const QString &fileName, TMode mode);
    ~TFileStream() override;

    int64_t Read(void *buffer, int64_t count) override;
    int64_t Write(const void *buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() const override;
    void SetSize(int64_t size) override;

    const QString &FileName() const { return fileName_; }

private:
    QString fileName_;
    int fd_ = -1;
};
