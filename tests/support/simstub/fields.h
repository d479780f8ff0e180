#pragma once
// Decoded fields of a packet, message or data write, by name and in wire order.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace simstub {

using FieldValue = std::variant<std::int64_t, double, std::string>;

struct Field {
    std::string name;
    FieldValue value;
};

class Fields {
public:
    void add(std::string name, FieldValue value);
    bool has(std::string_view name) const;
    // These throw std::out_of_range naming the field when it is missing or of another kind.
    std::int64_t integer(std::string_view name) const;
    std::uint32_t u32(std::string_view name) const;
    // An integer field is given as a double too.
    double number(std::string_view name) const;
    const std::string& text(std::string_view name) const;
    const std::vector<Field>& items() const { return items_; }
    bool empty() const { return items_.empty(); }
    // "name=value name=value"; texts quoted, doubles with up to 10 significant digits.
    std::string format() const;

private:
    const Field& find(std::string_view name) const;
    std::vector<Field> items_;
};

std::string gf_formatValue(const FieldValue& value);

} // namespace simstub
