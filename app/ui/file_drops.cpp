#include "app/ui/file_drops.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace kb {
namespace {

// The local files of a drag; empty when it carries none or anything but local files.
DroppedFiles LocalFiles(const QMimeData* data) {
    DroppedFiles files;
    if (data == nullptr || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        files.push_back(QDir::toNativeSeparators(url.toLocalFile()).toStdString());
    }
    return files;
}

class DropHook : public QObject {
  public:
    DropHook(QWidget* control, std::function<bool(const DroppedFiles&)> accepts,
             std::function<void(const DroppedFiles&)> dropped)
        : QObject(control), accepts_(std::move(accepts)), dropped_(std::move(dropped)) {
        control->setAcceptDrops(true);
        control->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
                return Handle(static_cast<QDropEvent*>(event));
            default:
                return false;
        }
    }

  private:
    bool Handle(QDropEvent* event) {
        if (!event->mimeData()->hasUrls())
            return false;
        const DroppedFiles files = LocalFiles(event->mimeData());
        if (files.empty() || !accepts_(files)) {
            event->ignore();
            return true;
        }
        event->setDropAction(Qt::CopyAction);
        event->accept();
        if (event->type() == QEvent::Drop)
            dropped_(files);
        return true;
    }

    std::function<bool(const DroppedFiles&)> accepts_;
    std::function<void(const DroppedFiles&)> dropped_;
};

}  // namespace

QObject* AcceptFileDrops(QWidget* control, std::function<bool(const DroppedFiles&)> accepts,
                         std::function<void(const DroppedFiles&)> dropped) {
    return new DropHook(control, std::move(accepts), std::move(dropped));
}

}  // namespace kb
