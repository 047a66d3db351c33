#include "core/posixfile.h"

#include <QRandomGenerator>

#include <cerrno>

#include <unistd.h>

namespace yotsumado {

bool FileDescriptor::Close()
{
    const int fd = Release();
    return fd < 0 || ::close(fd) == 0;
}

bool WriteAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, std::size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

QByteArray RandomNamePart(int length)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray part;
    for (int i = 0; i < length; ++i)
        part += kAlphabet[QRandomGenerator::system()->bounded(int(sizeof kAlphabet) - 1)];
    return part;
}

} // namespace yotsumado
