#pragma once
// Going through what a form shows.
#include <functional>
#include <string>

namespace forms {
class TControl;
class TForm;
}  // namespace forms

namespace forms::internal {

// Every control the form shows, parents before their children, with its depth below the form.
void ForEachShown(TForm& form, const std::function<void(TControl&, int depth)>& visit);
// A text for people: ANSI to UTF-8 when utf8.
std::string ForPeople(const std::string& ansi, bool utf8);
// One line per control as the screen description shows it ("" for controls that show nothing).
std::string DescribeControl(TControl& control, bool utf8);

}  // namespace forms::internal
