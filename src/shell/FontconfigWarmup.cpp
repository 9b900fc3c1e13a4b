#include "shell/FontconfigWarmup.h"

#include <fontconfig/fontconfig.h>

FontconfigWarmup::FontconfigWarmup()
    : worker_([this] {
          FcInit();
          const std::lock_guard lock(mutex_);
          loaded_ = true;
          done_.notify_all();
      })
{
}

FontconfigWarmup::~FontconfigWarmup() { worker_.join(); }

void FontconfigWarmup::wait()
{
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return loaded_; });
}

FontListWarmup::FontListWarmup(FontconfigWarmup& fontconfig, std::function<void()> register_, std::function<void()> fill)
    : worker_([this, &fontconfig, register_ = std::move(register_), fill = std::move(fill)] {
          fontconfig.wait();
          if (register_) register_();
          {
              const std::lock_guard lock(mutex_);
              registered_ = true;
              done_.notify_all();
          }
          if (fill) fill();
      })
{
}

FontListWarmup::~FontListWarmup() { worker_.join(); }

void FontListWarmup::waitForRegistered()
{
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return registered_; });
}
