// The style previews on their buttons, decoded when a button is first painted.
//
// The form gives each of the 23 style buttons its 1350 x 240 preview as a file icon, for both
// icon states. Qt's own file icons decode every picture when the icon is made: 46 decodes and
// 60 MB before the window first shows, for a column of which four buttons are in view. This icon
// engine, built into the program as a plugin for the suffix "jpg", takes over those icons. It
// notes the files, reads only their headers, and decodes a picture when it is first drawn,
// keeping just the drawn size. The pixels come from Qt's own pixmap icon, so they are the same.

#include <QApplication>
#include <QIcon>
#include <QIconEngine>
#include <QIconEnginePlugin>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QVector>
#include <QtPlugin>

namespace {

class PreviewIconEngine : public QIconEngine
{
public:
    void addFile(const QString &fileName, const QSize &, QIcon::Mode mode,
                 QIcon::State state) override
    {
        // Like a file icon, a file that is no picture adds nothing.
        const QSize size = QImageReader(fileName).size();
        if (size.isValid())
            files.append({fileName, mode, state, size});
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        for (const Drawn &drawn : qAsConst(drawnPixmaps)) {
            if (drawn.size == size && drawn.mode == mode && drawn.state == state)
                return drawn.pixmap;
        }
        const QPixmap pixmap = decodedIcon().pixmap(size, mode, state);
        drawnPixmaps.append({size, mode, state, pixmap});
        return pixmap;
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = qApp->testAttribute(Qt::AA_UseHighDpiPixmaps)
                ? painter->device()->devicePixelRatioF()
                : 1.0;
        painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
    }

    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QSize actual = bestFile(mode, state).size;
        if (actual.width() > size.width() || actual.height() > size.height())
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }

    QIconEngine *clone() const override
    {
        auto *copy = new PreviewIconEngine;
        copy->files = files;
        return copy;
    }

    void virtual_hook(int id, void *data) override
    {
        switch (id) {
        case QIconEngine::AvailableSizesHook: {
            auto &argument = *static_cast<QIconEngine::AvailableSizesArgument *>(data);
            argument.sizes.clear();
            for (const File &file : qAsConst(files)) {
                if (file.mode == argument.mode && file.state == argument.state)
                    argument.sizes.append(file.size);
            }
            break;
        }
        case QIconEngine::IsNullHook:
            *static_cast<bool *>(data) = files.isEmpty();
            break;
        default:
            QIconEngine::virtual_hook(id, data);
        }
    }

private:
    struct File
    {
        QString path;
        QIcon::Mode mode;
        QIcon::State state;
        QSize size;
    };
    struct Drawn
    {
        QSize size;
        QIcon::Mode mode;
        QIcon::State state;
        QPixmap pixmap;
    };

    File bestFile(QIcon::Mode mode, QIcon::State state) const
    {
        for (const File &file : files) {
            if (file.mode == mode && file.state == state)
                return file;
        }
        return files.value(0);
    }

    // Qt's pixmap icon with every file decoded once, made only for a pixmap that is not drawn
    // yet and dropped again, so that the full-size pictures are not kept. Decoded through
    // QImage, as a file icon does: a pixmap loaded from a file would stay in the pixmap cache.
    QIcon decodedIcon() const
    {
        QIcon icon;
        QVector<QPair<QString, QPixmap>> decoded;
        for (const File &file : files) {
            auto same = std::find_if(decoded.cbegin(), decoded.cend(),
                                     [&](const auto &entry) { return entry.first == file.path; });
            const QPixmap picture
                    = same != decoded.cend() ? same->second : QPixmap::fromImage(QImage(file.path));
            if (same == decoded.cend())
                decoded.append({file.path, picture});
            icon.addPixmap(picture, file.mode, file.state);
        }
        return icon;
    }

    QVector<File> files;
    QVector<Drawn> drawnPixmaps; // one, or two for a button that has had the focus
};

class PreviewIconEnginePlugin : public QIconEnginePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QIconEngineFactoryInterface_iid FILE "preview_icon_engine.json")

public:
    // QIcon adds the file itself right after.
    QIconEngine *create(const QString &) override { return new PreviewIconEngine; }
};

} // namespace

#include "preview_icon_engine.moc"

// Registers the plugin before main(), as the picture bundle is, so that the form's icons use it.
Q_IMPORT_PLUGIN(PreviewIconEnginePlugin)
