#include "startpictures.h"

#include "application.h"
#include "error.h"
#include "filedrop.h"
#include "mainform.h"

#include <QTimer>

QStringList OpenStartPictures(TMainForm1& form, const QStringList& pictures)
{
    QStringList errors;
    for (int i = 0; i < pictures.size(); ++i) {
        if (pictures.at(i).isEmpty())
            continue;
        platform::DropFiles drop(QStringList{pictures.at(i)});
        try {
            form.DropIntoPanel(i + 1, drop);
        } catch (const EAbort&) {
        } catch (const Exception& error) {
            errors.append(error.Message());
        }
    }
    if (!errors.isEmpty()) {
        QTimer::singleShot(0, &form, [errors] {
            for (const QString& message : errors)
                TApplication::Instance()->ShowException(Exception(message));
        });
    }
    return errors;
}
