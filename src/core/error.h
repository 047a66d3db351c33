#pragma once
// The toolkit's error classes. A failing command raises one of these; the
// application catches it at the top of the event dispatch and shows its
// message in the error box (EAbort excepted), and the window keeps running.

#include <QString>
#include <exception>

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
// property that takes another.
class EConvertError : public Exception {
public:
    using Exception::Exception;
    static EConvertError AssignError(const char* sourceClass, const char* targetClass)
    {
        return EConvertError(QStringLiteral("%1 を %2 に代入することはできません")
                                 .arg(QString::fromLatin1(sourceClass ? sourceClass : "nil"),
                                      QString::fromLatin1(targetClass)));
    }
};

// A file could not be opened or created; a picture could not be decoded.
class EFOpenError : public Exception { public: using Exception::Exception; };
class EFCreateError : public Exception { public: using Exception::Exception; };
class EInvalidGraphic : public Exception { public: using Exception::Exception; };
class EJPEG : public Exception { public: using Exception::Exception; };
