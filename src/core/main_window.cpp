#include "core/main_window.h"

#include "core/log.h"
#include "core/message_sink.h"

#include <fmt/format.h>
#include <mutex>

namespace {

std::atomic<ui::WindowPort*> lf_port{nullptr};

// The window's own message sink: the message and error lines of the main window.
class WindowMessageSink final : public ksb::MessageSink {
public:
    void showMessage(std::string_view text, bool log) override {
        mainWindow.showMessage(text, log);
    }
    void showError(std::string_view text) override { mainWindow.showError(text); }
    void clearMessage() override { mainWindow.showMessage({}, false); }
};

} // namespace

MainWindow mainWindow;

void gf_setWindowPort(ui::WindowPort* port) { lf_port.store(port, std::memory_order_release); }

ui::WindowPort* gf_windowPort() { return lf_port.load(std::memory_order_acquire); }

void gf_invalidate(ui::Rect region) {
    if (ui::WindowPort* port = gf_windowPort()) {
        port->invalidate(region);
    }
}

ksb::MessageSink& gf_windowMessageSink() {
    static WindowMessageSink sink;
    return sink;
}

MainWindow::MainWindow() { ready.store(true); }

std::string MainWindow::text(WindowText which) const {
    std::lock_guard lock(messageMutex_);
    return texts_[static_cast<int>(which)];
}

void MainWindow::setText(WindowText which, std::string value, ui::Rect region) {
    {
        std::lock_guard lock(messageMutex_);
        std::string& slot = texts_[static_cast<int>(which)];
        if (slot == value) {
            return;
        }
        slot = std::move(value);
    }
    gf_invalidate(region);
}

void MainWindow::showMessage(std::string_view text, bool log) {
    std::lock_guard lock(messageMutex_);
    // A standing error blocks the message line until it is cleared.
    if (!error_.empty()) {
        return;
    }
    message_ = std::string(text);
    if (text.empty()) {
        messageShownAt = 0;
    } else {
        const std::int32_t clock = messageClock.load();
        messageShownAt = clock < 1 ? 1 : clock;
        if (log) {
            gf_log(text);
        }
    }
    gf_invalidate(kMessageStrip);
}

void MainWindow::showError(std::string_view text) {
    std::lock_guard lock(messageMutex_);
    message_.clear();
    messageShownAt = 0;
    error_ = std::string(text);
    gf_log(fmt::format("Error {}", text));
    gf_invalidate(kMessageStrip);
}

void MainWindow::clearError() {
    {
        std::lock_guard lock(messageMutex_);
        if (error_.empty()) {
            return;
        }
        error_.clear();
    }
    gf_invalidate(kMessageStrip);
}

std::string MainWindow::messageText() const {
    std::lock_guard lock(messageMutex_);
    return message_;
}

std::string MainWindow::errorText() const {
    std::lock_guard lock(messageMutex_);
    return error_;
}

void MainWindow::tickMessageClock() {
    std::lock_guard lock(messageMutex_);
    const std::int32_t clock = messageClock.fetch_add(1) + 1;
    const std::int32_t shownAt = messageShownAt.load();
    if (shownAt >= 1 && clock - shownAt >= 25) {
        message_.clear();
        messageShownAt = 0;
        gf_invalidate(kMessageStrip);
    }
}

MainWindowSnapshot MainWindow::snapshot() const {
    MainWindowSnapshot s;
    {
        std::lock_guard lock(messageMutex_);
        s.message = message_;
        s.error = error_;
        s.texts = texts_;
    }
    s.staticAverageFit = staticAverageFit;
    s.liveParkedAverageFit = liveParkedAverageFit;
    s.liveriesCount = liveriesCount;
    s.statisticsTop = statisticsTop;
    s.updateCount = updateCount;
    s.liveCount = liveCount;
    s.orbxAirports = orbxAirports;
    s.thirdpartyAirports = thirdpartyAirports;
    s.staticTarget = staticTarget;
    s.parkedLive = parkedLive;
    s.parkedStatic = parkedStatic;
    s.qnh = qnh;
    s.stands = stands;
    s.minutesToRenewal = minutesToRenewal;
    s.tbloAirports = tbloAirports;
    s.handmadeMark = handmadeMark;
    s.servicePending = servicePending;
    s.sessionEstablished = sessionEstablished;
    s.parkAirportLoaded = parkAirportLoaded;
    s.simConnected = simConnected;
    s.flightLoaded = flightLoaded;
    s.userRecognised = userRecognised;
    s.orbxScanComplete = orbxScanComplete;
    s.staticParkingRunning = staticParkingRunning;
    s.reservedStandValid = reservedStandValid;
    s.timeShiftControlsEnabled = timeShiftControlsEnabled;
    s.parkAirportFlag = parkAirportFlag;
    s.trafficCell = trafficCell;
    s.weatherCell = weatherCell;
    return s;
}

void MainWindow::resetToStart() {
    {
        std::lock_guard lock(messageMutex_);
        message_.clear();
        error_.clear();
        for (std::string& t : texts_) {
            t.clear();
        }
    }
    staticAverageFit = -1.0f;
    liveParkedAverageFit = -1.0f;
    liveriesCount = -1;
    statisticsTop = 399;
    messageClock = 0;
    messageShownAt = 0;
    for (auto* counter : {&updateCount, &liveCount, &orbxAirports, &thirdpartyAirports,
                          &staticTarget, &parkedLive, &parkedStatic, &qnh, &stands,
                          &minutesToRenewal, &tbloAirports}) {
        counter->store(0);
    }
    handmadeMark = false;
    servicePending = true;
    sessionEstablished = false;
    parkAirportLoaded = false;
    simConnected = false;
    flightLoaded = false;
    userRecognised = true;
    orbxScanComplete = true;
    staticParkingRunning = false;
    reservedStandValid = false;
    timeShiftControlsEnabled = true;
    parkAirportFlag = true;
    trafficCell = 3;
    weatherCell = 3;
    // Everything shown may have changed.
    gf_invalidate(ui::Rect{0, 0, kWindowWidth, kWindowHeight});
}
