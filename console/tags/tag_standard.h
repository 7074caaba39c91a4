// The three tag standards the console offers (EPC, GB, GJB) as data: the names and captions of
// their screens, their memory banks, the buttons of their tag screen and their typed exports.
// Every tag screen kind is one class that takes a standard and is registered once per standard;
// where the standards differ, a descriptor says so here (or in the kind's own table keyed by
// the standard), never in a copy of a screen.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

#include "console/shell/exports.h"

namespace plover::tags {

enum class StandardId { Epc, Gb, Gjb };

// The exports of one standard that have the same shape in all three, typed by the EPC export's
// signature: a GB or GJB export whose signature differed would not compile here.
struct TagExports {
    Export<decltype(&::EPC_Read_Select_Para)> readSelect;
    Export<decltype(&::EPC_Write_Select_Para)> writeSelect;
    Export<decltype(&::EPC_Query_ON)> queryOn;
    Export<decltype(&::EPC_Read_Tag_List)> readTagList;
    Export<decltype(&::EPC_Read_TAG)> read;
    Export<decltype(&::EPC_Write_TAG)> write;
    Export<decltype(&::EPC_Write_Erase_TAG)> erase;
    Export<decltype(&::EPC_Write_Block_TAG)> writeBlock;
    Export<decltype(&::EPC_Kill_TAG)> kill;
    Export<decltype(&::EPC_Lock_TAG)> lock;
    Export<decltype(&::EPC_Halt_TAG)> halt;
    Export<decltype(&::EPC_Wake_TAG)> wake;
    Export<decltype(&::EPC_TAG_Cust_Command)> custom;
};

// A button of the tag screen that opens another screen of the standard.
struct OpenButton {
    const char* name;  // Command4 .. Command17
    QString caption;
    QString screen;  // the screen it opens
};

struct TagStandard {
    StandardId id;
    QString prefix;         // "EPC", "GB", "GJB": the screens are <prefix>_TAG_APP and so on
    QString captionSuffix;  // appended to the console caption
    QString heading;        // the tag screen's Label1

    // Banks of the select parameter record (the tag screen's Select_Bank).
    QStringList selectBanks;
    QString selectBankInitial;  // the text at load: not an item, reads as code 0
    int bankCodeChars;          // leading characters of an item read as its hex code
    int selectBankFallback;     // the item shown for a code read back that has none
    QString selectAddressLabel;
    bool hasQ;                  // EPC's record carries a Q value
    QString queryTimeInitial;
    const char* resultName;     // the tag screen's result label: "result", GB "Result"
    QList<OpenButton> buttons;  // Command4 .. Command17, where the standard has them

    // Inventory screen.
    QString tagListFrame;       // the list's frame caption
    QStringList tagListHeading; // lines after the blank line of a reply with records
    bool epcRecordLines;        // EPC: "LL    AA BB "; GB, GJB: "LL   AA BB"
    bool clearBeforeListRead;   // EPC empties the list and the label before reading

    TagExports exports;

    QString screen(const char* kind) const { return prefix + QLatin1String(kind); }
    QString caption() const;
    // The bank code of a Select_Bank text: its leading characters read as hex.
    std::uint8_t selectBankCode(const QString& text) const;
    // The Select_Bank text that shows a code read back from the reader.
    QString selectBankText(std::uint8_t code) const;
};

// ---- Passwords: the set, check and change exports differ in shape between the standards ----
// Each standard names the exports of its own shapes; the members of the other shapes stay
// unnamed (name nullptr) and are never called. GB and GJB change their passwords with one
// record of the same shape.
struct PasswordExports {
    Export<decltype(&::EPC_Set_Pwd)> epcSet{nullptr};
    Export<decltype(&::GB_Set_Pwd)> gbSet{nullptr};
    Export<decltype(&::GJB_Set_Pwd)> gjbSet{nullptr};
    Export<decltype(&::EPC_Access_Proc)> epcCheck{nullptr};
    Export<decltype(&::GB_Access_Proc)> gbCheck{nullptr};
    Export<decltype(&::GJB_Access_Proc)> gjbCheck{nullptr};
    Export<decltype(&::EPC_Edit_TAG_Pwd)> epcChange{nullptr};
    Export<decltype(&::GB_Edit_TAG_Pwd)> recordChange{nullptr};
};
const PasswordExports& passwordExports(StandardId id);

const TagStandard& epc();
const TagStandard& gb();
const TagStandard& gjb();
// The three, EPC first.
const std::array<const TagStandard*, 3>& standards();

}  // namespace plover::tags
