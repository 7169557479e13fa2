#pragma once

#include <QWidget>

namespace vantrell {

class Thilfe : public QWidget {
    Q_OBJECT
public:
    explicit Thilfe(QWidget *parent = nullptr);
};

} // namespace vantrell
