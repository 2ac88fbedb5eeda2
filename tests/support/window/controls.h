#pragma once
// A page's controls as a test reaches them: by their object names, since the
// pages keep their controls to themselves. A name that is missing, or names
// more than one control of that type, fails the test.
#include <QObject>
#include <QString>
#include <QWidget>

#include <stdexcept>
#include <string>

namespace zx_test {

template <class T = QWidget>
T* Control(const QObject& root, const char* name) {
    const auto found = root.findChildren<T*>(QString::fromLatin1(name));
    if (found.size() != 1)
        throw std::runtime_error(std::string(found.isEmpty() ? "no control " : "more than one control ") + name +
                                 " under " + root.objectName().toStdString());
    return found.front();
}

}  // namespace zx_test
