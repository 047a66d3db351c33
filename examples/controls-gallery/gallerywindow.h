#pragma once
// The gallery's window, one page per control: the shine speed button's
// samples and playground, and the shadow label and the selection shape each
// beside a live panel of all their properties.

#include <QWidget>

class QLabel;
namespace yotsumado {
class TShineSpeedButton;
}

class GalleryWindow : public QWidget {
    Q_OBJECT
public:
    explicit GalleryWindow(QWidget* parent = nullptr);

private:
    QWidget* Section(const QString& title, int height);
    yotsumado::TShineSpeedButton* Sample(QWidget* parent, int x, int y, int w, int h, const QString& caption,
                              const QString& glyph);
    QWidget* BuildPlayground();
    QWidget* BuildLabelPage();
    QWidget* BuildShapePage();
    void Report(const QString& what);

    yotsumado::TShineSpeedButton* playground_ = nullptr;
    QLabel* status_ = nullptr;
    int clicks_ = 0;
};
