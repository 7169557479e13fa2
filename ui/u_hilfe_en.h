#pragma once

#include <QWidget>

namespace vantrell {

class Thilfe_en : public QWidget {
    Q_OBJECT
public:
    explicit Thilfe_en(QWidget *parent = nullptr);
};

} // namespace vantrell
