#pragma once

#include <QWidget>

namespace vantrell {

class Tinfo : public QWidget {
    Q_OBJECT
public:
    explicit Tinfo(QWidget *parent = nullptr);
};

} // namespace vantrell
