#pragma once
// TFont: a control's font object (face, pixel height, style, character set,
// colour) with a change notification, so that a stored form can address
// "Font.Color" and a control repaints when its font changes.

#include "controls/base/graphiccontrol.h"

#include <QFont>
#include <QObject>

namespace yotsumado {

class TFont : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int Style READ Style WRITE SetStyle)
    Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(int Color READ Color WRITE SetColor)

public:
    enum StyleFlag { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
    static constexpr int DEFAULT_CHARSET = 1;
    static constexpr int SHIFTJIS_CHARSET = 128;

    explicit TFont(QObject* parent = nullptr);

    QString Name() const { return name_; }
    int Height() const { return height_; }  // negative: character height in pixels
    int Style() const { return style_; }
    int Charset() const { return charset_; }
    TColor Color() const { return color_; }
    void SetName(const QString& v);
    void SetHeight(int v);
    void SetStyle(int v);
    void SetCharset(int v);
    void SetColor(TColor v);

    // Copies every value of source and notifies once.
    void Assign(const TFont& source);
    // The Qt font to draw with.
    QFont ToQFont() const;

    TNotifyEvent OnChange;

private:
    void Changed();
    QString name_;
    int height_;
    int style_ = 0;
    int charset_ = DEFAULT_CHARSET;
    TColor color_ = clWindowText;
};

} // namespace yotsumado
