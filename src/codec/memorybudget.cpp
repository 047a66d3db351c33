#include "codec/memorybudget.h"

#include <utility>

namespace yotsumado {

bool MemoryBudget::Take(qint64 bytes)
{
    qint64 used = used_.load();
    do {
        if (bytes > limit_ - used)
            return false;
    } while (!used_.compare_exchange_weak(used, used + bytes));
    return true;
}

void MemoryBudget::Give(qint64 bytes)
{
    used_.fetch_sub(bytes);
}

BudgetShare::BudgetShare(BudgetShare&& other) noexcept
    : budget_(other.budget_), bytes_(std::exchange(other.bytes_, 0))
{
}

BudgetShare& BudgetShare::operator=(BudgetShare&& other) noexcept
{
    if (this != &other) {
        Release();
        budget_ = other.budget_;
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

bool BudgetShare::Grow(qint64 more)
{
    if (!budget_ || more < 0 || !budget_->Take(more))
        return false;
    bytes_ += more;
    return true;
}

void BudgetShare::ShrinkTo(qint64 bytes)
{
    if (bytes < 0)
        bytes = 0;
    if (!budget_ || bytes >= bytes_)
        return;
    budget_->Give(bytes_ - bytes);
    bytes_ = bytes;
}

namespace {

// Members go in reverse order: the picture, then the share, then the budget.
struct HeldPicture {
    std::shared_ptr<MemoryBudget> budget;
    BudgetShare share;
    QImage picture;
};

void ReleaseHeldPicture(void* held)
{
    delete static_cast<HeldPicture*>(held);
}

} // namespace

QImage HeldInBudget(QImage picture, BudgetShare share, std::shared_ptr<MemoryBudget> keepAlive)
{
    if (picture.isNull())
        return picture;
    auto* held = new HeldPicture{std::move(keepAlive), std::move(share), std::move(picture)};
    const QImage& p = held->picture;
    // The held picture is this buffer's only other user and never writes it.
    QImage out(const_cast<uchar*>(p.constBits()), p.width(), p.height(), p.bytesPerLine(), p.format(),
               ReleaseHeldPicture, held);
    if (out.isNull()) {
        delete held;
        return out;
    }
    out.setColorTable(p.colorTable());
    return out;
}

} // namespace yotsumado
