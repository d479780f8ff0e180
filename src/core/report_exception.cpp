#include "core/report_exception.h"

#include "core/exceptions.h"
#include "core/exit_request.h"
#include "core/message_sink.h"

#include <cassert>
#include <exception>
#include <fmt/format.h>
#include <string>

void gf_reportException(std::string_view functionName) noexcept {
    try {
        std::exception_ptr current = std::current_exception();
        // A call outside a handler is a programming error.
        assert(current != nullptr);
        if (current == nullptr) {
            gf_showError("Unknown exception");
            return;
        }
        try {
            std::rethrow_exception(current);
        } catch (const ksb::UserErrorException& e) {
            gf_showError(e.what());
        } catch (const fmt::format_error& e) {
            gf_showError(std::string("std::format error: ") + e.what());
        } catch (const std::exception& e) {
            gf_showError(fmt::format("{}: {}", functionName, e.what()));
            gf_requestExit(ExitReason::SYSTEM_ERROR, 0);
        } catch (...) {
            gf_showError("Unknown exception");
        }
    } catch (...) {
        // A failing sink or handler must not take the reporting thread down.
    }
}
