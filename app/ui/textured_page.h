#pragma once
// A plain widget that paints the shared background texture stretched over its whole area.
#include <QWidget>

namespace kb {

class TexturedPage : public QWidget {
  public:
    explicit TexturedPage(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kb
