// The blend-mode rules of the fill and the lines, one function per mode and pixel kind,
// chosen from a table by kind and mode; they use the packed forms and mixes of
// pixel_rules.h and the product rows of BlendTables.
#include "engine/softrender/pixel_rules.h"

namespace {

// 32-bit targets: blue, green and red follow the rule; the fourth byte stays unless said.
std::uint32_t Copy32(std::uint32_t, std::uint32_t colour, const PrimitiveRuleRows&) { return colour; }

std::uint32_t Alpha32(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows& rows) {
    std::uint32_t out = d & 0xFF000000u;
    for (int c = 0; c < 3; ++c) out |= MixOver<8>(Byte32(d, c), Byte32(colour, c), rows.value) << (8 * c);
    return out;
}
std::uint32_t Amount32(std::uint32_t colour, const PrimitiveRuleRows& rows) {
    return rows.product[Byte32(colour, 0)] | (rows.product[Byte32(colour, 1)] << 8) |
           (rows.product[Byte32(colour, 2)] << 16);
}
std::uint32_t Add32(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows& rows) {
    return PackedAdd32(d, Amount32(colour, rows));
}
std::uint32_t Subtract32(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows& rows) {
    return PackedSubtract32(d, Amount32(colour, rows));
}
std::uint32_t Multiply32(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows&) {
    std::uint32_t out = d & 0xFF000000u;
    for (int c = 0; c < 3; ++c) out |= ((Byte32(d, c) * Byte32(colour, c)) >> 8) << (8 * c);
    return out;
}
std::uint32_t Invert32(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows& rows) {
    std::uint32_t out = d & 0xFF000000u;
    for (int c = 0; c < 3; ++c) out |= MixOver<8>(Byte32(d, c), 255u - Byte32(colour, c), rows.value) << (8 * c);
    return out;
}
std::uint32_t MultiplyAlpha32(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows& rows) {
    std::uint32_t out = d & 0xFF000000u;
    for (int c = 0; c < 3; ++c) {
        const std::uint32_t t = (Byte32(d, c) * Byte32(colour, c)) >> 8;
        out |= MixOver<8>(Byte32(d, c), t, rows.value) << (8 * c);
    }
    return out;
}

// 16-bit targets: the three fields stay in their own widths.
std::uint32_t Toward565(std::uint32_t d, std::uint32_t t_blue, std::uint32_t t_green, std::uint32_t t_red,
                        const PrimitiveRuleRows& rows) {
    const std::int32_t* q = rows.signed_product;
    const std::int32_t b = static_cast<std::int32_t>(Field565(d, 0));
    const std::int32_t g = static_cast<std::int32_t>(Field565(d, 1));
    const std::int32_t r = static_cast<std::int32_t>(Field565(d, 2));
    return Pack565(static_cast<std::uint32_t>(b + q[static_cast<std::int32_t>(t_blue) - b]),
                   static_cast<std::uint32_t>(g + q[static_cast<std::int32_t>(t_green) - g]),
                   static_cast<std::uint32_t>(r + q[static_cast<std::int32_t>(t_red) - r]));
}
std::uint32_t Copy565(std::uint32_t, std::uint32_t colour, const PrimitiveRuleRows&) { return colour & 0xFFFFu; }
std::uint32_t Alpha565(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows& rows) {
    return Toward565(d, Field565(colour, 0), Field565(colour, 1), Field565(colour, 2), rows);
}
std::uint32_t Amount565(std::uint32_t colour, const PrimitiveRuleRows& rows) {
    return Pack565(rows.product[Field565(colour, 0)], rows.product[Field565(colour, 1)],
                   rows.product[Field565(colour, 2)]);
}
std::uint32_t Add565(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows& rows) {
    return PackedAdd565(d, Amount565(colour, rows));
}
std::uint32_t Subtract565(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows& rows) {
    return PackedSubtract565(d, Amount565(colour, rows));
}
std::uint32_t Multiply565(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows&) {
    return Pack565((Field565(d, 0) * Field565(colour, 0)) >> 5, (Field565(d, 1) * Field565(colour, 1)) >> 6,
                   (Field565(d, 2) * Field565(colour, 2)) >> 5);
}
std::uint32_t Invert565(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows& rows) {
    const std::uint32_t inverted = ~colour & 0xFFFFu;
    return Toward565(d, Field565(inverted, 0), Field565(inverted, 1), Field565(inverted, 2), rows);
}
std::uint32_t MultiplyAlpha565(std::uint32_t d, std::uint32_t colour, const PrimitiveRuleRows& rows) {
    return Toward565(d, (Field565(d, 0) * Field565(colour, 0)) >> 5, (Field565(d, 1) * Field565(colour, 1)) >> 6,
                     (Field565(d, 2) * Field565(colour, 2)) >> 5, rows);
}

// Rows: kind; columns: modes 0, 1, 2, 3, 4, 10, 11.
constexpr PrimitivePixelRule kRules[2][7] = {
    {Copy565, Alpha565, Add565, Subtract565, Multiply565, Invert565, MultiplyAlpha565},
    {Copy32, Alpha32, Add32, Subtract32, Multiply32, Invert32, MultiplyAlpha32},
};

}  // namespace

PrimitivePixelRule SelectPrimitivePixelRule(int kind, int mode, int value) {
    if (kind != 0 && kind != 1) return nullptr;
    int column;
    switch (mode) {
        case 0: case 1: case 2: case 3: case 4: column = mode; break;
        case 10: column = 5; break;
        case 11: column = 6; break;
        default: return nullptr;
    }
    if (column >= 1 && column <= 3 && value == 0) return nullptr;
    if (column == 1 && value == 255) column = 0;
    return kRules[kind][column];
}
