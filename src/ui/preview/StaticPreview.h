#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

// The preview pane (control 1039): a still image scaled to fit and centred on RGB(80,80,80), or plain grey
// when there is none. While a player window is embedded the pane paints nothing, so the player does not
// flicker.
class CStaticPreview : public QWidget {
    Q_OBJECT
public:
    explicit CStaticPreview(QWidget* parent = nullptr);

    // Shows the image at path; an empty path, or a file that can not be read, leaves the pane grey.
    // True when an image is shown.
    bool ShowStill(const QString& path);
    void Clear() { ShowStill(QString()); }
    bool HasStill() const { return !m_image.isNull(); }
    // The file of the still shown (empty when none).
    QString StillPath() const { return m_image.isNull() ? QString() : m_path; }
    // The rectangle the still is drawn into (empty without a still).
    QRect StillRect() const;

    void SetPlayerEmbedded(bool embedded);
    bool PlayerEmbedded() const { return m_playerEmbedded; }

    QSize sizeHint() const override { return {480, 480}; }
    QSize minimumSizeHint() const override { return {160, 120}; }

signals:
    // What lies over the pane (the areas) follows the still and the player.
    void StillChanged();
    void PlayerEmbeddedChanged(bool embedded);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QString m_path;
    bool m_playerEmbedded = false;
};
