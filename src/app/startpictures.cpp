#include "app/startpictures.h"

#include "app/application.h"
#include "app/mainform.h"
#include "codec/pictureformat.h"
#include "core/error.h"
#include "core/filename.h"

#include <QTimer>

namespace yotsumado {

namespace {

constexpr qsizetype kPanels = 4;

// What a launcher named that the window did not load: files of other kinds
// by name, and how many pictures came past the fourth. Empty when all loaded.
QString LeftOutText(const QStringList& otherKinds, qsizetype pastFourth)
{
    QStringList lines;
    for (const QString& name : otherKinds)
        lines.append(QStringLiteral("ファイル %1 は読み込める種類の画像ではないため読み込みませんでした。").arg(ShownFileName(name)));
    if (pastFourth > 0)
        lines.append(QStringLiteral("開ける画像は %1 枚までです。%2 枚目以降の %3 個のファイルは読み込みませんでした。")
                         .arg(kPanels)
                         .arg(kPanels + 1)
                         .arg(pastFourth));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void OpenStartPictures(TMainForm1& form, const QStringList& pictures)
{
    TImage* const images[kPanels] = {form.Image1, form.Image2, form.Image3, form.Image4};
    QStringList otherKinds;
    qsizetype pastFourth = 0;
    for (qsizetype i = kPanels; i < pictures.size(); ++i)
        pastFourth += pictures.at(i).isEmpty() ? 0 : 1;
    // What the loads report, gathered until the last has ended.
    struct Outcome {
        int pending = 0;
        std::optional<QString> errors[kPanels];
        QString leftOut;
    };
    auto outcome = std::make_shared<Outcome>();
    const auto report = [outcome] {
        for (const std::optional<QString>& message : outcome->errors)
            if (message)
                TApplication::Instance()->ShowException(Exception(*message));
        if (!outcome->leftOut.isEmpty())
            TApplication::Instance()->ShowInformation(outcome->leftOut);
    };
    QList<qsizetype> toLoad;
    for (qsizetype i = 0; i < qMin(pictures.size(), kPanels); ++i) {
        const QString& name = pictures.at(i);
        if (name.isEmpty())
            continue;
        // Every name the desktop gives the kinds read is read, also those a
        // drop ignores: the desktop entry offers the program for them.
        if (PictureKindOf(name) == PictureKind::None)
            otherKinds.append(name);
        else
            toLoad.append(i);
    }
    outcome->leftOut = LeftOutText(otherKinds, pastFourth);
    outcome->pending = int(toLoad.size());
    for (qsizetype i : toLoad)
        form.LoadIntoPanelInBackground(images[i], pictures.at(i), [outcome, report, i](const std::optional<QString>& error) {
            outcome->errors[i] = error;
            if (--outcome->pending == 0)
                report();
        });
    if (toLoad.isEmpty() && !outcome->leftOut.isEmpty())
        QTimer::singleShot(0, &form, report);
}

} // namespace yotsumado
