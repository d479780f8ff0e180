#include "core/service_address.h"

#include "platform/environment.h"

#include <mutex>

namespace ksb {

namespace {

std::string lf_withoutTrailingSlash(std::string base) {
    if (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    return base;
}

} // namespace

std::string ServiceAddress::value() {
    std::lock_guard lock(mutex_);
    if (set_) {
        return *set_;
    }
    if (!fromEnvironment_) {
        fromEnvironment_ = lf_withoutTrailingSlash(
            platform::environmentValue(variable_).value_or(std::string(fallback_)));
    }
    return *fromEnvironment_;
}

void ServiceAddress::set(std::string base) {
    std::lock_guard lock(mutex_);
    set_ = lf_withoutTrailingSlash(std::move(base));
}

void ServiceAddress::reset() {
    std::lock_guard lock(mutex_);
    set_.reset();
    fromEnvironment_.reset();
}

} // namespace ksb
