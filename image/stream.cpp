#include "image/stream.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const kReadError = "Stream read error";
const char *const kWriteError = "Stream write error";
const char *const kSeekError = "Stream seek error";

// Longest single read or write handed to the system; larger requests loop.
constexpr int64_t kMaxChunk = int64_t(1) << 30;

} // namespace

void TStream::ReadBuffer(void *buffer, int64_t count)
{
    if (count < 0 || Read(buffer, count) != count)
        throw EReadError(kReadError);
}

void TStream::WriteBuffer(const void *buffer, int64_t count)
{
    if (count < 0 || Write(buffer, count) != count)
        throw EWriteError(kWriteError);
}

int64_t TStream::CopyFrom(TStream &source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    if (count < 0)
        throw EReadError(kReadError);
    // A memory stream is copied in one move, without a bounce buffer.
    if (auto *mem = dynamic_cast<TMemoryStream *>(&source)) {
        const int64_t pos = mem->Position();
        if (pos > mem->Size() || mem->Size() - pos < count)
            throw EReadError(kReadError);
        WriteBuffer(mem->Memory() + pos, count);
        mem->Seek(count, TSeekOrigin::soCurrent);
        return count;
    }
    // Growing a memory target once avoids repeated reallocation.
    if (auto *dst = dynamic_cast<TMemoryStream *>(this)) {
        const int64_t pos = dst->Position();
        if (dst->Size() < pos + count)
            dst->SetSize(pos + count);
        source.ReadBuffer(dst->Memory() + pos, count);
        dst->Seek(count, TSeekOrigin::soCurrent);
        return count;
    }
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, 1 << 20)));
    int64_t left = count;
    while (left > 0) {
        const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(buffer.size()));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

// ---------------------------------------------------------------- TMemoryStream

TMemoryStream::TMemoryStream(const QByteArray &bytes)
    : data_(reinterpret_cast<const uint8_t *>(bytes.constData()),
            reinterpret_cast<const uint8_t *>(bytes.constData()) + bytes.size())
{
}

int64_t TMemoryStream::Read(void *buffer, int64_t count)
{
    const int64_t size = Size();
    if (count <= 0 || pos_ >= size)
        return 0;
    const int64_t n = std::min(count, size - pos_);
    std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void *buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    const int64_t end = pos_ + count;
    if (end > Size()) {
        // Geometric growth keeps many small writes linear.
        if (static_cast<size_t>(end) > data_.capacity())
            data_.reserve(std::max<size_t>(static_cast<size_t>(end), data_.capacity() * 2));
        data_.resize(static_cast<size_t>(end));
    }
    std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
    pos_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    switch (origin) {
    case TSeekOrigin::soBeginning: base = 0; break;
    case TSeekOrigin::soCurrent: base = pos_; break;
    case TSeekOrigin::soEnd: base = Size(); break;
    }
    if (offset < 0 ? base < -offset : base > INT64_MAX - offset)
        throw EStreamError(kSeekError);
    pos_ = base + offset;
    return pos_;
}

void TMemoryStream::SetSize(int64_t size)
{
    if (size < 0)
        throw EStreamError(kWriteError);
    data_.resize(static_cast<size_t>(size));
    pos_ = std::min(pos_, size);
}

QByteArray TMemoryStream::RawByteArray() const
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data_.data()),
                                   static_cast<qsizetype>(data_.size()));
}

std::vector<uint8_t> TMemoryStream::TakeBytes()
{
    std::vector<uint8_t> out = std::move(data_);
    data_ = {};
    pos_ = 0;
    return out;
}

void TMemoryStream::Clear()
{
    data_.clear();
    pos_ = 0;
}

void TMemoryStream::LoadFromFile(const QString &fileName)
{
    TFileStream file(fileName, TFileStream::fmOpenRead);
    Clear();
    CopyFrom(file, 0);
    pos_ = 0;
}

void TMemoryStream::SaveToFile(const QString &fileName) const
{
    TFileStream file(fileName, TFileStream::fmCreate);
    file.WriteBuffer(data_.data(), Size());
}

// ---------------------------------------------------------------- TFileStream

TFileStream::TFileStream(const QString &fileName, TMode mode) : fileName_(fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    int flags = O_CLOEXEC;
    switch (mode) {
    case fmOpenRead: flags |= O_RDONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    case fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    do {
        fd_ = ::open(path.constData(), flags, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        const std::string reason = std::strerror(errno);
        const std::string name = fileName.toStdString();
        if (mode == fmCreate)
            throw EFCreateError("Cannot create file \"" + name + "\". " + reason);
        throw EFOpenError("Cannot open file \"" + name + "\". " + reason);
    }
}

TFileStream::~TFileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int64_t TFileStream::Read(void *buffer, int64_t count)
{
    int64_t done = 0;
    auto *p = static_cast<char *>(buffer);
    while (done < count) {
        const ssize_t n = ::read(fd_, p + done, static_cast<size_t>(std::min(count - done, kMaxChunk)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void *buffer, int64_t count)
{
    int64_t done = 0;
    auto *p = static_cast<const char *>(buffer);
    while (done < count) {
        const ssize_t n = ::write(fd_, p + done, static_cast<size_t>(std::min(count - done, kMaxChunk)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    const off_t pos = ::lseek(fd_, offset, whence);
    if (pos < 0)
        throw EStreamError(kSeekError);
    return pos;
}

int64_t TFileStream::Size() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return 0;
    return st.st_size;
}

void TFileStream::SetSize(int64_t size)
{
    if (size < 0 || ::ftruncate(fd_, size) != 0)
        throw EWriteError(kWriteError);
    if (Position() > size)
        SetPosition(size);
}
