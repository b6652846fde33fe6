#ifndef IMPORT_SHEETPARTS_H
#define IMPORT_SHEETPARTS_H

#include "import/sheetreader.h"

#include <QHash>
#include <QString>

#include <orcus/spreadsheet/import_interface.hpp>

#include <algorithm>
#include <string_view>
#include <vector>

// The parts of a workbook that liborcus hands over besides the cells, as the
// sheet reader keeps them: the number formats (which cells show dates) and
// the shared strings.
namespace staffimport {
namespace sheetparts {

namespace iface = orcus::spreadsheet::iface;

inline QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), int(std::min<size_t>(text.size(), 0x7fffffff)));
}

// The number formats of the cell formats: which formats show dates.
class Styles : public iface::import_styles
{
public:
    bool isDate(size_t xf) const { return xf < m_xfDates.size() && m_xfDates[xf]; }

    void set_number_format_identifier(size_t id) override { m_formatId = int(id); }
    void set_number_format_code(std::string_view s) override { m_formatCode = fromUtf8(s); }
    size_t commit_number_format() override
    {
        m_formatCodes.insert(m_formatId, m_formatCode);
        m_formatId = -1;
        m_formatCode.clear();
        return size_t(m_formatCodes.size() - 1);
    }
    void set_xf_number_format(size_t index) override { m_xfFormat = int(index); }
    size_t commit_cell_xf() override
    {
        const bool date = isBuiltinDateFormat(m_xfFormat)
                          || (m_formatCodes.contains(m_xfFormat) && isDateFormatCode(m_formatCodes.value(m_xfFormat)));
        m_xfDates.push_back(date);
        m_xfFormat = 0;
        return m_xfDates.size() - 1;
    }

    // Nothing else of the styles matters for the values.
    void set_font_count(size_t) override {}
    void set_font_bold(bool) override {}
    void set_font_italic(bool) override {}
    void set_font_name(std::string_view) override {}
    void set_font_size(double) override {}
    void set_font_underline(orcus::spreadsheet::underline_t) override {}
    void set_font_underline_width(orcus::spreadsheet::underline_width_t) override {}
    void set_font_underline_mode(orcus::spreadsheet::underline_mode_t) override {}
    void set_font_underline_type(orcus::spreadsheet::underline_type_t) override {}
    void set_font_underline_color(orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t,
                                  orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t) override {}
    void set_font_color(orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t,
                        orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t) override {}
    void set_strikethrough_style(orcus::spreadsheet::strikethrough_style_t) override {}
    void set_strikethrough_type(orcus::spreadsheet::strikethrough_type_t) override {}
    void set_strikethrough_width(orcus::spreadsheet::strikethrough_width_t) override {}
    void set_strikethrough_text(orcus::spreadsheet::strikethrough_text_t) override {}
    size_t commit_font() override { return 0; }
    void set_fill_count(size_t) override {}
    void set_fill_pattern_type(orcus::spreadsheet::fill_pattern_t) override {}
    void set_fill_fg_color(orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t,
                           orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t) override {}
    void set_fill_bg_color(orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t,
                           orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t) override {}
    size_t commit_fill() override { return 0; }
    void set_border_count(size_t) override {}
    void set_border_style(orcus::spreadsheet::border_direction_t, orcus::spreadsheet::border_style_t) override {}
    void set_border_color(orcus::spreadsheet::border_direction_t, orcus::spreadsheet::color_elem_t,
                          orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t,
                          orcus::spreadsheet::color_elem_t) override {}
    void set_border_width(orcus::spreadsheet::border_direction_t, double, orcus::length_unit_t) override {}
    size_t commit_border() override { return 0; }
    void set_cell_hidden(bool) override {}
    void set_cell_locked(bool) override {}
    void set_cell_print_content(bool) override {}
    void set_cell_formula_hidden(bool) override {}
    size_t commit_cell_protection() override { return 0; }
    void set_number_format_count(size_t) override {}
    void set_cell_xf_count(size_t) override {}
    void set_cell_style_xf_count(size_t) override {}
    void set_dxf_count(size_t) override {}
    void set_xf_font(size_t) override {}
    void set_xf_fill(size_t) override {}
    void set_xf_border(size_t) override {}
    void set_xf_protection(size_t) override {}
    void set_xf_style_xf(size_t) override {}
    void set_xf_apply_alignment(bool) override {}
    void set_xf_horizontal_alignment(orcus::spreadsheet::hor_alignment_t) override {}
    void set_xf_vertical_alignment(orcus::spreadsheet::ver_alignment_t) override {}
    size_t commit_cell_style_xf() override { return 0; }
    size_t commit_dxf() override { return 0; }
    void set_cell_style_count(size_t) override {}
    void set_cell_style_name(std::string_view) override {}
    void set_cell_style_xf(size_t) override {}
    void set_cell_style_builtin(size_t) override {}
    void set_cell_style_parent_name(std::string_view) override {}
    size_t commit_cell_style() override { return 0; }

private:
    QHash<int, QString> m_formatCodes;
    std::vector<bool> m_xfDates;
    int m_formatId = -1;
    QString m_formatCode;
    int m_xfFormat = 0;
};

class SharedStrings : public iface::import_shared_strings
{
public:
    QString at(size_t index) const { return index < m_strings.size() ? m_strings[index] : QString(); }

    size_t append(std::string_view s) override
    {
        m_strings.push_back(fromUtf8(s));
        return m_strings.size() - 1;
    }
    size_t add(std::string_view s) override { return append(s); }
    void set_segment_font(size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t,
                                orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t) override {}
    void append_segment(std::string_view s) override { m_segments += fromUtf8(s); }
    size_t commit_segments() override
    {
        m_strings.push_back(m_segments);
        m_segments.clear();
        return m_strings.size() - 1;
    }

private:
    std::vector<QString> m_strings;
    QString m_segments;
};

} // namespace sheetparts
} // namespace staffimport

#endif // IMPORT_SHEETPARTS_H
