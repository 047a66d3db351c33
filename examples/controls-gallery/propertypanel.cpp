#include "propertypanel.h"

#include "core/tcolor.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPushButton>
#include <QSpinBox>

#include <limits>

using namespace yotsumado;

namespace {

// The controls' own properties start after QWidget's (or QObject's).
int FirstOwnProperty(const QMetaObject* mo)
{
    for (const QMetaObject* m = mo; m; m = m->superClass())
        if (m == &QWidget::staticMetaObject || m == &QObject::staticMetaObject)
            return m->propertyCount();
    return 0;
}

// Colours are TColor integers; their names say so.
bool IsColour(const QString& name)
{
    static const QStringList colourNames{QStringLiteral("Highlight"), QStringLiteral("Shadow"),
                                         QStringLiteral("DarkShadow")};
    return name.endsWith(QLatin1String("Color")) || name.endsWith(QLatin1String("Highlight"))
        || name.endsWith(QLatin1String("Shadow")) || colourNames.contains(name);
}

void ShowColour(QPushButton* button, TColor c)
{
    const QColor q = ToQColor(c);
    button->setText(c < 0 ? QStringLiteral("system %1").arg(c & 0xFF) : q.name());
    button->setStyleSheet(QStringLiteral("background: %1; color: %2")
                              .arg(q.name(), q.lightness() < 128 ? QStringLiteral("white") : QStringLiteral("black")));
}

} // namespace

PropertyPanel::PropertyPanel(QObject* control, QWidget* parent)
    : QScrollArea(parent)
{
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    AddProperties(control, QString(), form, 0);
    setWidget(page);
    setWidgetResizable(true);
    setMinimumWidth(300);
}

void PropertyPanel::AddProperties(QObject* object, const QString& prefix, QFormLayout* form, int depth)
{
    const QMetaObject* mo = object->metaObject();
    for (int i = FirstOwnProperty(mo); i < mo->propertyCount(); ++i) {
        const QMetaProperty prop = mo->property(i);
        const QString name = QString::fromLatin1(prop.name());
        const QString label = prefix + name;
        const QVariant value = prop.read(object);
        if (value.metaType().flags() & QMetaType::PointerToQObject) {
            // An owned settings object (a font, a colour set, a shadow copy).
            if (QObject* sub = value.value<QObject*>(); sub && depth < 2)
                AddProperties(sub, label + QLatin1Char('.'), form, depth + 1);
            continue;
        }
        if (!prop.isWritable())
            continue;
        auto write = [object, prop](const QVariant& v) { prop.write(object, v); };
        if (prop.isEnumType()) {
            auto* combo = new QComboBox(form->parentWidget());
            const QMetaEnum me = prop.enumerator();
            for (int k = 0; k < me.keyCount(); ++k) combo->addItem(QString::fromLatin1(me.key(k)), me.value(k));
            combo->setCurrentIndex(combo->findData(value.toInt()));
            connect(combo, &QComboBox::currentIndexChanged, this, [combo, write] { write(combo->currentData()); });
            form->addRow(label, combo);
        } else if (value.metaType().id() == QMetaType::Bool) {
            auto* check = new QCheckBox(form->parentWidget());
            check->setChecked(value.toBool());
            connect(check, &QCheckBox::toggled, this, [write](bool on) { write(on); });
            form->addRow(label, check);
        } else if (value.metaType().id() == QMetaType::Int && IsColour(name)) {
            auto* button = new QPushButton(form->parentWidget());
            ShowColour(button, static_cast<TColor>(value.toInt()));
            connect(button, &QPushButton::clicked, this, [this, button, object, prop] {
                const QColor chosen = QColorDialog::getColor(
                    ToQColor(static_cast<TColor>(prop.read(object).toInt())), this);
                if (!chosen.isValid()) return;
                const TColor c = RgbToColor(chosen.rgb());
                prop.write(object, static_cast<int>(c));
                ShowColour(button, c);
            });
            form->addRow(label, button);
        } else if (value.metaType().id() == QMetaType::Int) {
            auto* spin = new QSpinBox(form->parentWidget());
            spin->setRange(-10000, 10000);
            spin->setValue(value.toInt());
            connect(spin, &QSpinBox::valueChanged, this, [write](int v) { write(v); });
            form->addRow(label, spin);
        } else if (value.metaType().id() == QMetaType::QString) {
            auto* edit = new QLineEdit(value.toString(), form->parentWidget());
            connect(edit, &QLineEdit::textChanged, this, [write](const QString& t) { write(t); });
            form->addRow(label, edit);
        }
    }
}
