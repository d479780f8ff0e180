#include "support/simstub/fields.h"

#include "support/simstub/wire.h"

#include <fmt/format.h>
#include <stdexcept>

namespace simstub {

void Fields::add(std::string name, FieldValue value) {
    items_.push_back(Field{std::move(name), std::move(value)});
}

bool Fields::has(std::string_view name) const {
    for (const Field& f : items_) {
        if (f.name == name) {
            return true;
        }
    }
    return false;
}

const Field& Fields::find(std::string_view name) const {
    for (const Field& f : items_) {
        if (f.name == name) {
            return f;
        }
    }
    throw std::out_of_range(fmt::format("no field {}", name));
}

std::int64_t Fields::integer(std::string_view name) const {
    const Field& f = find(name);
    if (const auto* v = std::get_if<std::int64_t>(&f.value)) {
        return *v;
    }
    throw std::out_of_range(fmt::format("field {} is not an integer", name));
}

std::uint32_t Fields::u32(std::string_view name) const {
    return static_cast<std::uint32_t>(integer(name));
}

double Fields::number(std::string_view name) const {
    const Field& f = find(name);
    if (const auto* v = std::get_if<double>(&f.value)) {
        return *v;
    }
    if (const auto* v = std::get_if<std::int64_t>(&f.value)) {
        return static_cast<double>(*v);
    }
    throw std::out_of_range(fmt::format("field {} is not a number", name));
}

const std::string& Fields::text(std::string_view name) const {
    const Field& f = find(name);
    if (const auto* v = std::get_if<std::string>(&f.value)) {
        return *v;
    }
    throw std::out_of_range(fmt::format("field {} is not a text", name));
}

std::string gf_formatValue(const FieldValue& value) {
    if (const auto* v = std::get_if<std::int64_t>(&value)) {
        return fmt::format("{}", *v);
    }
    if (const auto* v = std::get_if<double>(&value)) {
        return fmt::format("{:.10g}", *v);
    }
    return gf_quoteText(std::get<std::string>(value));
}

std::string Fields::format() const {
    std::string out;
    for (const Field& f : items_) {
        if (!out.empty()) {
            out += ' ';
        }
        out += f.name;
        out += '=';
        out += gf_formatValue(f.value);
    }
    return out;
}

} // namespace simstub
