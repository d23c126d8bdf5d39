// address_fields.h - the address block of the person and the group dialog: telephone, street
// (several lines), city, ZIP and country, each in the dialog's field of that name.
#ifndef VELK_WIDGETS_ADDRESS_ADDRESS_FIELDS_H
#define VELK_WIDGETS_ADDRESS_ADDRESS_FIELDS_H

#include "shell/ui/dialog_fields.h"

namespace velk {

// Limits the street to what the row holds.
template <class Row, class Form>
void limitAddress(Form &form)
{
    limitMultiLine(form.editStreet, sizeof(Row::STREET) - 1);
}

template <class Row, class Form>
void showAddress(Form &form, const Row &row)
{
    showField(form.editTel, row.TEL);
    showMultiLine(form.editStreet, row.STREET);
    showField(form.editCity, row.CITY);
    showField(form.editZip, row.ZIP);
    showField(form.editCountry, row.COUNTRY);
}

template <class Row, class Form>
void takeAddress(const Form &form, Row &row)
{
    row.setTel(fieldText(form.editTel));
    row.setStreet(multiLineText(form.editStreet));
    row.setCity(fieldText(form.editCity));
    row.setZip(fieldText(form.editZip));
    row.setCountry(fieldText(form.editCountry));
}

} // namespace velk

#endif
