#include "ui/preview/StaticPreview.h"

#include <QPainter>
#include <algorithm>

namespace {

const QColor kPaneGrey(80, 80, 80);

}  // namespace

CStaticPreview::CStaticPreview(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("previewPane"));
    // The pane paints every pixel itself, and nothing at all while the player covers it, so Qt must not
    // clear it first: that clearing is what makes an embedded player flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

bool CStaticPreview::ShowStill(const QString& path) {
    m_image = path.isEmpty() ? QImage() : QImage(path);
    m_path = path;
    update();
    emit StillChanged();
    return !m_image.isNull();
}

QRect CStaticPreview::StillRect() const {
    if (m_image.isNull() || width() <= 0 || height() <= 0) return {};
    const double s = std::min(double(width()) / m_image.width(), double(height()) / m_image.height());
    const int drawnWidth = qRound(m_image.width() * s);
    const int drawnHeight = qRound(m_image.height() * s);
    return {(width() - drawnWidth) / 2, (height() - drawnHeight) / 2, drawnWidth, drawnHeight};
}

void CStaticPreview::SetPlayerEmbedded(bool embedded) {
    if (m_playerEmbedded == embedded) return;
    m_playerEmbedded = embedded;
    update();
    emit PlayerEmbeddedChanged(embedded);
}

void CStaticPreview::paintEvent(QPaintEvent*) {
    if (m_playerEmbedded) return;
    QPainter painter(this);
    painter.fillRect(rect(), kPaneGrey);
    const QRect target = StillRect();
    if (target.isEmpty()) return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_image);
}
