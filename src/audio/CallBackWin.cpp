// SPDX-License-Identifier: MIT
#include "audio/AudioIO.h"

namespace audio {

TCallBackWin::TCallBackWin(TAudioIO& owner, std::uint32_t generation, Messages messages)
    : owner_(&owner), generation_(generation), messages_(messages) {}

TCallBackWinOut::TCallBackWinOut(TAudioIO& owner, std::uint32_t generation)
    : TCallBackWin(owner, generation,
                   {platform::MM_WOM_OPEN, platform::MM_WOM_CLOSE, platform::MM_WOM_DONE}) {}

TCallBackWinIn::TCallBackWinIn(TAudioIO& owner, std::uint32_t generation)
    : TCallBackWin(owner, generation,
                   {platform::MM_WIM_OPEN, platform::MM_WIM_CLOSE, platform::MM_WIM_DATA}) {}

void TCallBackWin::OnWaveMessage(std::uint32_t message, platform::WaveHeader*) {
    if (message == messages_.close) {
        closeDelivered_ = true;
    }
    ++depth_;
    try {
        Deliver(message);
    } catch (...) {
        Leave();
        throw;
    }
    Leave();
}

void TCallBackWin::Deliver(std::uint32_t message) {
    if (owner_ == nullptr) {
        return;
    }
    if (message == messages_.open) {
        owner_->Opened(*this);
    } else if (message == messages_.close) {
        owner_->Closed(*this);
    } else if (message == messages_.buffer) {
        owner_->BufferReturned(*this);
    }
}

// A receiver left behind by its component goes once its close notification is through.
void TCallBackWin::Leave() {
    if (--depth_ == 0 && owner_ == nullptr && closeDelivered_) {
        delete this;
    }
}

} // namespace audio
