#include "services.h"

#include "qtplatform.h"

namespace platform {

namespace {
std::unique_ptr<Services>& Slot()
{
    static std::unique_ptr<Services> services;
    return services;
}
} // namespace

Services& Current()
{
    auto& s = Slot();
    if (!s)
        s = MakeQtServices();
    return *s;
}

std::unique_ptr<Services> Install(std::unique_ptr<Services> services)
{
    auto previous = std::move(Slot());
    Slot() = std::move(services);
    return previous;
}

} // namespace platform
