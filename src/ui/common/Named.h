// Controls carry the names the program knows them by as object names: small makers for that.
#pragma once

#include <QPushButton>
#include <QString>

namespace ui {

template <class W>
W* Named(W* w, const char* name) {
    w->setObjectName(QString::fromUtf8(name));
    return w;
}

inline QPushButton* NamedButton(const char* name, const QString& caption, QWidget* parent) {
    return Named(new QPushButton(caption, parent), name);
}

}  // namespace ui
