#pragma once

#include <QPushButton>

// An owner-drawn tab button: highlight colours when active, gray text when disabled, a 1-pixel frame.
class CTabButton : public QPushButton {
    Q_OBJECT
public:
    explicit CTabButton(QWidget* parent) : QPushButton(parent) {}
    void SetActive(bool active) {
        m_active = active;
        update();
    }
    bool IsActive() const { return m_active; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_active = false;
};
