// DaemonCommand: built on a user's thread, then used only by the renderer (or dropped by the queue at
// exit); it has no lock of its own.
#include "shared/DaemonCommand.h"

#include <cmath>
#include <limits>
#include <type_traits>
#include <utility>

#include "shared/Diagnostics.h"

namespace {

template <typename T, typename = void>
struct CarriesPoints : std::false_type {};
template <typename T>
struct CarriesPoints<T, std::void_t<decltype(std::declval<T>().points)>> : std::true_type {};

template <typename Kind>
std::size_t pointsIn(const Kind& kind) {
    if constexpr (CarriesPoints<Kind>::value)
        return kind.points.size();
    else if constexpr (std::is_same_v<Kind, command::Draw>)
        return std::visit([](const auto& shape) { return pointsIn(shape); }, kind.shape);
    else
        return 0;
}

}  // namespace

int fixedPoint(double value, double scale) {
    const double scaled = std::trunc(value * scale);
    if (std::isnan(scaled)) return 0;
    if (scaled >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (scaled <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(scaled);
}

int angleOf(double degrees) { return fixedPoint(degrees, 1024.0); }

Transform quantized(const Transform& t) {
    const auto round = [](double value) { return fixedPoint(value, Transform::SCALE) / Transform::SCALE; };
    return Transform(round(t.getRotation()), round(t.getScaleX()), round(t.getScaleY()));
}

DaemonCommand::DaemonCommand(Window* window, Action action) : window(window), action(std::move(action)) {
    if (!window) FATAL_ASSERTION("I seem to have recieved a NULL Window pointer");
}

std::size_t DaemonCommand::countPoints() const {
    return std::visit([](const auto& a) { return pointsIn(a); }, action);
}

void DaemonCommand::answerDropped() const {
    std::visit(
        [](const auto& a) {
            using Kind = std::decay_t<decltype(a)>;
            if constexpr (std::is_same_v<Kind, command::ReadPixel>) a.reply->put(Color::WHITE);
            if constexpr (std::is_same_v<Kind, command::CreateImage>) a.reply->put(Image());
            if constexpr (std::is_same_v<Kind, command::GetPosition>) a.reply->put(ScreenPosition{});
            if constexpr (std::is_same_v<Kind, command::PlayScriptedInput>) a.reply->put(false);
        },
        action);
}
