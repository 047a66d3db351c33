#include "controls/base/storedform.h"

#include "core/error.h"
#include "core/tcolor.h"

#include <QFont>
#include <QMetaProperty>
#include <QWidget>

namespace yotsumado {

namespace {

// The first property index that belongs to the controls' own classes.
int PublishedOffset(const QMetaObject* mo)
{
    for (const QMetaObject* m = mo; m; m = m->superClass()) {
        if (m == &QWidget::staticMetaObject || m == &QObject::staticMetaObject)
            return m->propertyCount();
    }
    return 0;
}

QVariant ParseDefault(const QMetaProperty& prop, const QString& text)
{
    if (prop.isEnumType()) {
        bool ok = false;
        const int v = prop.enumerator().keysToValue(text.toLatin1().constData(), &ok);
        if (ok) return QVariant(v);
    }
    if (prop.metaType().id() == QMetaType::Bool)
        return QVariant(text == QLatin1String("true"));
    TColor c;
    if (ColorFromName(text, &c))
        return QVariant(static_cast<int>(c));
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok, 0);
    if (ok) return QVariant(static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v))));
    return QVariant(text);
}

bool SameValue(const QVariant& a, const QVariant& b)
{
    if (a.metaType().id() == QMetaType::Bool || b.metaType().id() == QMetaType::Bool)
        return a.toBool() == b.toBool();
    bool okA = false, okB = false;
    const qlonglong ia = a.toLongLong(&okA), ib = b.toLongLong(&okB);
    if (okA && okB) return ia == ib;
    return a == b;
}

QObject* SubObject(const QObject* object, const QMetaProperty& prop)
{
    const QVariant v = prop.read(object);
    if (v.metaType().flags() & QMetaType::PointerToQObject)
        return v.value<QObject*>();
    return nullptr;
}

void Collect(const QObject* object, const QString& prefix, QList<QPair<QString, QVariant>>* out)
{
    const QMetaObject* mo = object->metaObject();
    for (int i = PublishedOffset(mo); i < mo->propertyCount(); ++i) {
        const QMetaProperty prop = mo->property(i);
        if (!prop.isStored() || !prop.isDesignable())
            continue;
        const QString name = prefix + QLatin1String(prop.name());
        if (QObject* sub = SubObject(object, prop)) {
            Collect(sub, name + QLatin1Char('.'), out);
            continue;
        }
        const QVariant value = prop.read(object);
        QVariant def;
        if (DeclaredDefault(object, prop.name(), &def) && SameValue(value, def))
            continue;
        out->append({name, value});
    }
}

} // namespace

bool DeclaredDefault(const QObject* object, const char* property, QVariant* out)
{
    const QMetaObject* mo = object->metaObject();
    const int pi = mo->indexOfProperty(property);
    if (pi < 0) return false;
    const QByteArray key = QByteArray("default:") + property;
    const int ci = mo->indexOfClassInfo(key.constData());
    if (ci < 0) return false;
    *out = ParseDefault(mo->property(pi), QString::fromUtf8(mo->classInfo(ci).value()));
    return true;
}

QList<QPair<QString, QVariant>> StoredValues(const QObject* object)
{
    QList<QPair<QString, QVariant>> out;
    Collect(object, QString(), &out);
    return out;
}

void ApplyStoredValue(QObject* target, const char* name, const QVariant& value)
{
    QObject* obj = target;
    QByteArray path(name);
    int dot;
    while ((dot = static_cast<int>(path.indexOf('.'))) >= 0) {
        const QByteArray head = path.left(dot);
        const int pi = obj->metaObject()->indexOfProperty(head.constData());
        QObject* sub = pi >= 0 ? SubObject(obj, obj->metaObject()->property(pi)) : nullptr;
        if (!sub)
            throw Exception(QStringLiteral("%1: no object property %2").arg(obj->objectName(), QString::fromLatin1(head)));
        obj = sub;
        path = path.mid(dot + 1);
    }
    const QMetaObject* mo = obj->metaObject();
    const int pi = mo->indexOfProperty(path.constData());
    if (pi < PublishedOffset(mo))
        throw Exception(QStringLiteral("%1: no published property %2").arg(target->objectName(), QString::fromLatin1(name)));
    if (!mo->property(pi).write(obj, value))
        throw Exception(QStringLiteral("%1: cannot store %2").arg(target->objectName(), QString::fromLatin1(name)));
}

void ApplyStoredValues(QObject* target, const QList<TStoredValue>& values)
{
    for (const TStoredValue& v : values)
        ApplyStoredValue(target, v.Name, v.Value);
}

} // namespace yotsumado
