#include "foundation/ClassDescription.hpp"
#include "sparkpicker/SparkColourPickerCell.hpp"

namespace fw {

const ClassDescriptor& SparkColourPickerView::classObject()
{
    static const ClassDescriptor cls
        = describeClass<SparkColourPickerView>("SparkColourPickerView", UIView::classObject());
    return cls;
}

const ClassDescriptor& SparkColourPickerViewController::classObject()
{
    static const ClassDescriptor cls
        = describeClass("SparkColourPickerViewController", UIViewController::classObject());
    return cls;
}

SparkColourPickerViewController::SparkColourPickerViewController(
    const std::shared_ptr<SparkColourPickerCell>& cell, UIColor startColour)
    : m_cell(cell)
    , m_pickerView(std::make_shared<SparkColourPickerView>())
{
    m_pickerView->colour = std::move(startColour);
}

void SparkColourPickerViewController::reportColour(const UIColor& colour)
{
    m_pickerView->colour = colour;
    if (auto cell = m_cell.lock())
        cell->colourPicker(m_pickerView, colour);
}

void SparkColourPickerViewController::close()
{
    // The sheet stays alive while the cell handles its closing, which drops the page's reference.
    auto self = weak_from_this().lock();
    if (auto cell = m_cell.lock())
        cell->dismissPicker();
    // A cell whose dismissPicker forgot its parent's must not leave the sheet stuck on screen.
    if (presentingViewController())
        dismissViewControllerAnimated(true);
}

void SparkColourPickerViewController::dismissWithoutClosing()
{
    auto self = weak_from_this().lock();
    if (presentingViewController())
        dismissViewControllerAnimated(true);
}

} // namespace fw
