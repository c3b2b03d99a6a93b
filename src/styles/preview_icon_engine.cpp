// The style previews on their buttons, decoded when a button is first painted.
//
// The form gives each of the 23 style buttons its 1350 x 240 preview as a file icon, for both
// icon states. Qt's own file icons decode every picture when the icon is made: 46 decodes and
// 60 MB before the window first shows, for a column of which four buttons are in view. This icon
// engine, built into the program as a plugin for the suffix "jpg", takes over those icons. It
// notes the files, reads only their headers, and decodes a picture when it is first drawn,
// keeping just the drawn size. It draws as Qt's own pixmap icon does: the picture shrunk to fit
// with a smooth scale, and the other modes made from it by the style, so the pixels are the same.

#include <QApplication>
#include <QIcon>
#include <QIconEngine>
#include <QIconEnginePlugin>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QVector>
#include <QtPlugin>

#include <algorithm>

namespace {

// A picture fitted into `bounds` as an icon fits it: shrunk, with its shape kept, never enlarged.
QSize fitted(QSize picture, const QSize &bounds)
{
    if (picture.width() > bounds.width() || picture.height() > bounds.height())
        picture.scale(bounds, Qt::KeepAspectRatio);
    return picture;
}

class PreviewIconEngine : public QIconEngine
{
public:
    void addFile(const QString &fileName, const QSize &, QIcon::Mode mode,
                 QIcon::State state) override
    {
        // Like a file icon, a file that is no picture adds nothing. The form names each file twice,
        // for both states; its header is read once.
        const auto same = std::find_if(files.cbegin(), files.cend(),
                                       [&](const File &file) { return file.path == fileName; });
        const QSize size = same != files.cend() ? same->size : QImageReader(fileName).size();
        if (size.isValid())
            files.append({fileName, mode, state, size});
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        for (const Drawn &drawn : qAsConst(drawnPixmaps)) {
            if (drawn.size == size && drawn.mode == mode && drawn.state == state)
                return drawn.pixmap;
        }
        const QPixmap pixmap = draw(size, mode, state);
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
        const File *file = bestFile(mode, state);
        return file ? fitted(file->size, size) : QSize();
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

    // The file that Qt's pixmap icon would draw: the state counts more than the mode, and a normal
    // picture stands in for the other modes.
    const File *bestFile(QIcon::Mode mode, QIcon::State state) const
    {
        const QIcon::State otherState = state == QIcon::On ? QIcon::Off : QIcon::On;
        const QIcon::Mode modes[] = {mode, QIcon::Normal, QIcon::Active};
        for (QIcon::State wantedState : {state, otherState}) {
            for (QIcon::Mode wantedMode : modes) {
                for (const File &file : files) {
                    if (file.mode == wantedMode && file.state == wantedState)
                        return &file;
                }
            }
        }
        return files.isEmpty() ? nullptr : &files.first();
    }

    // What Qt's pixmap icon draws, from the picture decoded through QImage, as a file icon decodes
    // it (a pixmap loaded from a file would stay in the pixmap cache). Not through a QIcon of the
    // decoded picture: that one would scale the requested size by the screen's pixel ratio a
    // second time.
    QPixmap draw(const QSize &size, QIcon::Mode mode, QIcon::State state) const
    {
        const File *file = bestFile(mode, state);
        if (!file)
            return QPixmap();
        QImage picture(file->path);
        const QSize drawnSize = fitted(picture.size(), size);
        if (picture.size() != drawnSize)
            picture = picture.scaled(drawnSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QPixmap pixmap = QPixmap::fromImage(std::move(picture));
        if (file->mode != mode && mode != QIcon::Normal && !pixmap.isNull()) {
            // The style makes the disabled, active and selected looks, as for any pixmap icon.
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            const QPixmap styled
                    = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
            if (!styled.isNull())
                pixmap = styled;
        }
        return pixmap;
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
