#include "CSettingsPage.h"

#include <QKeyEvent>

CSettingsPage::CSettingsPage(CLanguageFile& language, CSettings& settings, QWidget* parent)
    : QDialog(parent), language_(language), settings_(settings) {
    setWindowFlags(Qt::Widget);
}

void CSettingsPage::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->ignore();  // on to the settings dialog
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}
