#pragma once
// A live property panel: one editor for each published property of a
// control, read through the property system and written back as it is
// edited, so that every setting of a control can be tried at run time.
// Object-valued properties (Font, Shadow, Colors, Pen, ...) are edited by
// their own published properties, named "Owner.Property".

#include <QScrollArea>

class QFormLayout;

class PropertyPanel : public QScrollArea {
    Q_OBJECT
public:
    explicit PropertyPanel(QObject* control, QWidget* parent = nullptr);

private:
    void AddProperties(QObject* object, const QString& prefix, QFormLayout* form, int depth);
};
