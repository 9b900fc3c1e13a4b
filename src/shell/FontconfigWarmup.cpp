#include "shell/FontconfigWarmup.h"

#include <fontconfig/fontconfig.h>

FontconfigWarmup::FontconfigWarmup()
    : worker_([this] {
          FcInit();
          loaded_.count_down();
      })
{
}

FontconfigWarmup::~FontconfigWarmup() { worker_.join(); }

void FontconfigWarmup::wait() { loaded_.wait(); }

FontListWarmup::FontListWarmup(FontconfigWarmup& fontconfig, std::function<void()> register_, std::function<void()> fill)
    : worker_([this, &fontconfig, register_ = std::move(register_), fill = std::move(fill)] {
          fontconfig.wait();
          if (register_) register_();
          registered_.count_down();
          if (fill) fill();
      })
{
}

FontListWarmup::~FontListWarmup() { worker_.join(); }

void FontListWarmup::waitForRegistered() { registered_.wait(); }
