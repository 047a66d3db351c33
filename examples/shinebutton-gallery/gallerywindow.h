#pragma once
// The gallery's window: sample buttons on the left, a playground button and
// the controls that change its properties on the right.

#include <QWidget>

class QLabel;
class TShineSpeedButton;

class GalleryWindow : public QWidget {
    Q_OBJECT
public:
    explicit GalleryWindow(QWidget* parent = nullptr);

private:
    QWidget* Section(const QString& title, int height);
    TShineSpeedButton* Sample(QWidget* parent, int x, int y, int w, int h, const QString& caption,
                              const QString& glyph);
    QWidget* BuildPlayground();
    void Report(const QString& what);

    TShineSpeedButton* playground_ = nullptr;
    QLabel* status_ = nullptr;
    int clicks_ = 0;
};
