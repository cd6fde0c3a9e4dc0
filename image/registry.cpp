#include "image/registry.h"

#include <QStringList>

#include <mutex>
#include <vector>

namespace {

struct Entry {
    QString extension;   // upper case, no dot
    QString description; // for the filter only
    TGraphicClass graphicClass;
};

// Made by the first registration, emptied at shutdown. Everything runs on the
// UI thread; the mutex only keeps tools that load on worker threads honest.
std::vector<Entry> &Registry()
{
    static std::vector<Entry> entries;
    return entries;
}
std::mutex g_mutex;

} // namespace

QString ExtractFileExt(const QString &fileName)
{
    for (qsizetype i = fileName.size() - 1; i >= 0; --i) {
        const QChar c = fileName[i];
        if (c == u'.')
            return fileName.mid(i);
        if (c == u'/' || c == u'\\' || c == u':')
            break;
    }
    return {};
}

void RegisterGraphicClass(const QString &extension, const QString &description, TGraphicClass graphicClass)
{
    std::lock_guard lock(g_mutex);
    Registry().push_back({extension.toUpper(), description, graphicClass});
}

TGraphicClass GraphicClassForFile(const QString &fileName)
{
    QString key = ExtractFileExt(fileName);
    key = key.isEmpty() ? fileName : key.mid(1);
    std::lock_guard lock(g_mutex);
    for (const Entry &e : Registry())
        if (e.extension.compare(key, Qt::CaseInsensitive) == 0)
            return e.graphicClass;
    return nullptr;
}

std::unique_ptr<TDibGraphic> CreateGraphicForFile(const QString &fileName)
{
    if (TGraphicClass c = GraphicClassForFile(fileName))
        return c->Create();
    const QString message = QStringLiteral("Graphic files of %1 format are not supported or not registered")
                                .arg(ExtractFileExt(fileName));
    throw EVantrelError(message.toStdString());
}

QString GraphicFilter()
{
    std::lock_guard lock(g_mutex);
    QStringList all, entries;
    for (const Entry &e : Registry()) {
        const QString pattern = QStringLiteral("*.") + e.extension.toLower();
        all << pattern;
        entries << QStringLiteral("%1 (%2)").arg(e.description, pattern);
    }
    if (entries.isEmpty())
        return {};
    entries.prepend(QStringLiteral("All images (%1)").arg(all.join(u' ')));
    return entries.join(QStringLiteral(";;"));
}

void UnregisterGraphicClasses()
{
    std::lock_guard lock(g_mutex);
    Registry().clear();
}
