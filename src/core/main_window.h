#pragma once
// The main window's model: every text, counter and flag the paint shows. Any thread writes it;
// a writer invalidates the region that shows what it changed, and only the GUI thread draws.
// Texts sit under the message mutex; everything else is atomic.
#include "core/parameters.h"
#include "core/ranked_mutex.h"
#include "ui/window_port.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace colours {
inline constexpr ui::Rgb red{255, 0, 0};
inline constexpr ui::Rgb lightBlue{153, 204, 255};
inline constexpr ui::Rgb black{0, 0, 0};
inline constexpr ui::Rgb green{50, 205, 50};
inline constexpr ui::Rgb yellow{255, 255, 0};
inline constexpr ui::Rgb grey{160, 160, 160};
inline constexpr ui::Rgb white{255, 255, 255};
} // namespace colours

inline constexpr ui::Rect kStatusRegion{0, 28, 880, 112};
inline constexpr ui::Rect kControlsRegion{0, 112, 880, 392};
inline constexpr ui::Rect kStatisticsRegion{0, 392, 880, 448};
inline constexpr ui::Rect kMessageStrip{0, 448, 880, 476};
inline constexpr int kWindowWidth = 880;
inline constexpr int kWindowHeight = 516;

// The texts of the window besides the message and error lines.
enum class WindowText : int {
    userTitle,          // the user aircraft's title, at most 48 characters
    parkAirportName,    // the park airport's name text
    parkAirportSecond,  // its second text
    parkQuality,        // the park airport's quality text
    simulatorText,      // the simulator's own name and version
    userStand,          // the user's stand text
    airportDisplayName, // the chosen park airport's display name; empty = none chosen
    reservedStand,      // the user's reserved stand name; empty = none
    count
};

// Everything the paint reads, copied at once.
struct MainWindowSnapshot {
    std::string message;
    std::string error;
    std::array<std::string, static_cast<int>(WindowText::count)> texts;
    float staticAverageFit = -1.0f;
    float liveParkedAverageFit = -1.0f;
    std::int64_t liveriesCount = -1;
    std::int32_t statisticsTop = 399;
    std::int32_t updateCount = 0, liveCount = 0, orbxAirports = 0, thirdpartyAirports = 0,
                 staticTarget = 0, parkedLive = 0, parkedStatic = 0, qnh = 0, stands = 0,
                 minutesToRenewal = 0, tbloAirports = 0;
    bool handmadeMark = false, servicePending = true, sessionEstablished = false,
         parkAirportLoaded = false, simConnected = false, flightLoaded = false,
         userRecognised = true, orbxScanComplete = true, staticParkingRunning = false,
         reservedStandValid = false, timeShiftControlsEnabled = true, parkAirportFlag = true;
    std::int32_t trafficCell = 3, weatherCell = 3;

    const std::string& text(WindowText which) const { return texts[static_cast<int>(which)]; }
};

class MainWindow {
public:
    MainWindow();
    virtual ~MainWindow() = default;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Separator segments (x1, y1, x2, y2).
    static constexpr std::array<ui::Rect, 8> kSeparators{
        ui::Rect{0, 140, 880, 140}, ui::Rect{0, 168, 880, 168}, ui::Rect{0, 196, 642, 196},
        ui::Rect{0, 224, 642, 224}, ui::Rect{0, 252, 880, 252}, ui::Rect{0, 280, 880, 280},
        ui::Rect{0, 308, 642, 308}, ui::Rect{0, 336, 642, 336}};

    // The message mutex guards the message, the error, the shown-at second and the texts.
    ksb::RankedMutex& messageMutex() { return messageMutex_; }

    std::string text(WindowText which) const;
    // Stores the text and, when it changed, invalidates the region given.
    void setText(WindowText which, std::string value, ui::Rect region);

    // Message and error lines (the gf_showMessage family forwards here).
    void showMessage(std::string_view text, bool log);
    void showError(std::string_view text);
    void clearError();
    std::string messageText() const;
    std::string errorText() const;
    // Once a second: advances the message clock and clears a message that has stood 25 s; the
    // test and the clear are one hold of the message mutex.
    void tickMessageClock();

    MainWindowSnapshot snapshot() const;
    // Back to the start values (restart and test fixtures).
    void resetToStart();

    std::atomic<float> staticAverageFit{-1.0f};
    std::atomic<float> liveParkedAverageFit{-1.0f};
    std::atomic<std::int64_t> liveriesCount{-1};
    std::atomic<std::int32_t> statisticsTop{399};
    std::atomic<std::int32_t> messageClock{0};
    std::atomic<std::int32_t> messageShownAt{0};
    std::atomic<std::int32_t> updateCount{0}, liveCount{0}, orbxAirports{0},
        thirdpartyAirports{0}, staticTarget{0}, parkedLive{0}, parkedStatic{0}, qnh{0},
        stands{0}, minutesToRenewal{0}, tbloAirports{0};
    std::atomic<bool> handmadeMark{false}, servicePending{true}, sessionEstablished{false},
        parkAirportLoaded{false}, simConnected{false}, flightLoaded{false},
        userRecognised{true}, orbxScanComplete{true}, staticParkingRunning{false},
        reservedStandValid{false}, timeShiftControlsEnabled{true}, parkAirportFlag{true};
    std::atomic<bool> ready{false};
    // 1 receiving, 2 idle, 3 stopped or not started.
    std::atomic<std::int32_t> trafficCell{3}, weatherCell{3};

private:
    mutable ksb::RankedMutex messageMutex_{ksb::LockRank::message, "message"};
    std::string message_;
    std::string error_;
    std::array<std::string, static_cast<int>(WindowText::count)> texts_;
};

extern MainWindow mainWindow;

// The window port the model writes through; nullptr (no window) drops the writes.
void gf_setWindowPort(ui::WindowPort* port);
ui::WindowPort* gf_windowPort();
// Invalidates a region of the window, when there is one.
void gf_invalidate(ui::Rect region);

namespace ksb {
class MessageSink;
}
// The sink that shows messages and errors on the window's lines (installed by the program).
ksb::MessageSink& gf_windowMessageSink();
