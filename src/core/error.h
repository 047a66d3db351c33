#pragma once
// The toolkit's error classes. A failing command raises one of these; the
// application catches it at the top of the event dispatch and shows its
// message in the error box (EAbort excepted), and the window keeps running.

#include <QString>
#include <exception>

namespace yotsumado {

class Exception : public std::exception {
public:
    explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// Silent abort: ends the running handler without an error box.
class EAbort : public Exception {
public:
    EAbort() : Exception(QString()) {}
};

// "%s を %s に代入することはできません": assigning an object of one class to a
// property that takes another. The classes are named as the user knows them,
// without the namespace a meta-object's class name carries.
class EConvertError : public Exception {
public:
    using Exception::Exception;
    static EConvertError AssignError(const char* sourceClass, const char* targetClass)
    {
        const auto shortName = [](const char* name) {
            const QString full = QString::fromLatin1(name ? name : "nil");
            const qsizetype scope = full.lastIndexOf(QLatin1String("::"));
            return scope < 0 ? full : full.mid(scope + 2);
        };
        return EConvertError(QStringLiteral("%1 を %2 に代入することはできません")
                                 .arg(shortName(sourceClass), shortName(targetClass)));
    }
};

// A file could not be opened or created; a picture could not be decoded.
class EFOpenError : public Exception { public: using Exception::Exception; };
class EFCreateError : public Exception { public: using Exception::Exception; };
class EInvalidGraphic : public Exception { public: using Exception::Exception; };
class EJPEG : public Exception { public: using Exception::Exception; };

} // namespace yotsumado
