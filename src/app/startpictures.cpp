#include "app/startpictures.h"

#include "app/application.h"
#include "app/mainform.h"
#include "core/error.h"
#include "platform/filedrop.h"

#include <QTimer>

namespace yotsumado {

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

} // namespace yotsumado
