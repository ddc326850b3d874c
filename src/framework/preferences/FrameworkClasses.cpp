#include "preferences/FrameworkClasses.hpp"

#include "preferences/PSListController.hpp"
#include "preferences/PSSpecifier.hpp"
#include "preferences/PSTableCell.hpp"
#include "preferences/UITableView.hpp"
#include "sparkpicker/SparkColourPickerCell.hpp"
#include "uikit/UIAlertController.hpp"
#include "uikit/UIControls.hpp"
#include "uikit/UIGestureRecognizer.hpp"
#include "uikit/UIImage.hpp"
#include "uikit/UILabel.hpp"
#include "uikit/UIView.hpp"
#include "uikit/UIViewController.hpp"

namespace fw {

void registerFrameworkClasses()
{
    const ClassDescriptor* classes[] = {
        &UIView::classObject(),
        &UILabel::classObject(),
        &UITableViewLabel::classObject(),
        &UIImageView::classObject(),
        &UISwitch::classObject(),
        &UISegmentedControl::classObject(),
        &UITextField::classObject(),
        &UIViewController::classObject(),
        &UINavigationController::classObject(),
        &UIAlertController::classObject(),
        &UIBarButtonItem::classObject(),
        &UIGestureRecognizer::classObject(),
        &UILongPressGestureRecognizer::classObject(),
        &PSSpecifier::classObject(),
        &PSListController::classObject(),
        &PSTableCell::classObject(),
        &PSSwitchTableCell::classObject(),
        &PSSegmentTableCell::classObject(),
        &UITableView::classObject(),
        &SparkColourPickerCell::classObject(),
        &SparkColourPickerView::classObject(),
        &SparkColourPickerViewController::classObject(),
    };
    for (const auto* cls : classes)
        registerClass(*cls);
}

} // namespace fw
