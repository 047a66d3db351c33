#pragma once
// The stored-form mechanism: how published property values are written to
// and read from a stored description (the main window's layout, a control
// set's stored form).
//
// A published property is a Q_PROPERTY declared by one of the controls'
// own classes (Qt's QObject/QWidget properties are not published). A
// property may declare a default with a class-info entry
//     Q_CLASSINFO("default:GradColor", "clBlue")
// whose text is a colour name, an enumeration key, true/false or an integer
// (decimal or 0x hex). A stored form lists a property only when its value
// differs from that declared default; a property without one is always
// listed. An object-valued property (a QObject* such as a TShadow) is listed
// as its own published values, named "Owner.Property".
//
// Reading a stored form writes each listed value through the property's
// write accessor; a property the form omits keeps its constructor value.

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVariant>

#include <initializer_list>

namespace yotsumado {

struct TStoredValue {
    const char* Name;  // "Caption", "Font.Color", "Highlight.OffsetLeft"
    QVariant Value;
};

// Writes the values through the targets' published properties. Throws
// Exception when a name is not a published property or the value does not
// convert (a fault of the stored description, not of the user).
void ApplyStoredValues(QObject* target, const QList<TStoredValue>& values);
void ApplyStoredValue(QObject* target, const char* name, const QVariant& value);

// The values a stored form lists for this object, in declaration order.
QList<QPair<QString, QVariant>> StoredValues(const QObject* object);

// The declared default of a published property, if it has one.
bool DeclaredDefault(const QObject* object, const char* property, QVariant* out);

} // namespace yotsumado
