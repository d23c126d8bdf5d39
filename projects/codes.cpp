#include "projects/codes.h"

namespace velk {

namespace {

const tCode kBilling[] = {
    {'E', "Einzelstunden"}, {'A', "Abschluss"}, {'P', "Pauschal"}, {'W', "Wartung"}};
const tCode kProjectStatus[] = {{'P', "Planung"},   {'V', "Vertrag"}, {'G', "Rechnung gestellt"},
                                {'A', "Angezahlt"}, {'B', "Bezahlt"}, {'R', "Reklamiert"}};
const tCode kTaskStatus[] = {{'P', "Planung"}, {'V', "Vobereitung"},  {'A', "Angegangen"},
                             {'M', "Mitte"},   {'R', "Restarbeiten"}, {'E', "Erledigt"}};

} // namespace

std::span<const tCode> billingCodes() { return kBilling; }
std::span<const tCode> projectStatusCodes() { return kProjectStatus; }
std::span<const tCode> taskStatusCodes() { return kTaskStatus; }

int codePosition(std::span<const tCode> codes, char code)
{
    for (std::size_t i = 0; i < codes.size(); i++)
        if (codes[i].code == code) return int(i);
    return -1;
}

char codeAt(std::span<const tCode> codes, int position)
{
    if (position < 0 || position >= int(codes.size())) return ' ';
    return codes[std::size_t(position)].code;
}

} // namespace velk
