// Controls and string lists: the behaviour programs build on (focus, tree hit test, notebook
// pages, sorted lists, pictures).
#include <gtest/gtest.h>

#include "forms/Application.h"
#include "forms/ComCtrls.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/Graphics.h"
#include "forms/StdCtrls.h"
#include "forms/StringList.h"
#include "platform/Text.h"

namespace forms {
namespace {

TEST(StringList, SortedListsIgnoreCaseAndKeepTheFirstOfDuplicates) {
  TStringList list;
  list.SetSorted(true);
  list.Duplicates = dupIgnore;
  for (const char* s : {"Беta", "alpha", "ALPHA", "Gamma", "бЕTA"}) list.Add(plat::A(s));
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], "alpha");
  EXPECT_EQ(list[1], "Gamma");  // Latin before Cyrillic in the code page
  EXPECT_EQ(list[2], plat::A("Беta"));
  int index = -1;
  EXPECT_TRUE(list.Find("gamma", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("beta", index));
  EXPECT_EQ(index, 1);  // where it would go
  EXPECT_EQ(list.IndexOf(plat::A("БЕTA")), 2);

  list.Duplicates = dupError;
  EXPECT_THROW(list.Add("Alpha"), plat::EListError);
  EXPECT_THROW(list.Insert(0, "zeta"), plat::EListError);
  list.Duplicates = dupAccept;
  EXPECT_EQ(list.Add("Alpha"), 0);
  EXPECT_EQ(list.Count(), 4);
}

TEST(StringList, IndexesOutOfRangeRaiseListErrors) {
  TStringList list;
  list.Add("one");
  try {
    list.Delete(3);
    FAIL();
  } catch (const plat::EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (3)");
  }
  EXPECT_THROW(list.Strings(-1), plat::EListError);
  EXPECT_THROW(list.Insert(2, "x"), plat::EListError);
  list.Insert(1, "two");
  list.Insert(0, "zero");
  EXPECT_EQ(list.Text(), "zero\r\none\r\ntwo\r\n");
}

TEST(StringList, TextSplitsAtEveryKindOfLineEnd) {
  TStringList list;
  list.SetText("a\r\nb\nc\rd\r\n\r\ne");
  EXPECT_EQ(list.CommaText(), "a,b,c,d,\"\",e");
}

TEST(Focus, MovingTheFocusRunsExitHandlersWhichMayKeepIt) {
  TApplication app;
  auto form = MakeForm<TForm>();
  form->Show();
  TEdit* edit = form->Make<TEdit>("EditSelDir");
  TButton* button = form->Make<TButton>("BtnNext");
  int exits = 0;
  edit->OnExit = [&](TObject*) {
    ++exits;
    if (edit->Text().empty()) edit->SetFocus();  // an empty directory keeps the focus
  };
  edit->SetFocus();
  button->SetFocus();
  EXPECT_EQ(exits, 1);
  EXPECT_TRUE(edit->Focused());
  edit->SetText("C:\\NIV");
  button->SetFocus();
  EXPECT_EQ(exits, 2);
  EXPECT_TRUE(button->Focused());
  button->SetEnabled(false);
  EXPECT_THROW(button->SetFocus(), EInvalidOperation);
}

TEST(Notebook, OnlyTheActivePageShowsItsControls) {
  TApplication app;
  auto form = MakeForm<TForm>();
  form->Show();
  TNotebook* book = form->Make<TNotebook>("nbScreens");
  TLabel* first = form->Make<TLabel>("Label1", book->AddPage("pgFirst"));
  TLabel* last = form->Make<TLabel>("Label8", book->AddPage("pgLast"));
  int changes = 0;
  book->OnPageChanged = [&](TObject*) { ++changes; };
  EXPECT_EQ(book->ActivePage(), "pgFirst");
  EXPECT_TRUE(first->Showing());
  EXPECT_FALSE(last->Showing());
  book->SetActivePage("PGLAST");
  EXPECT_EQ(book->PageIndex(), 1);
  EXPECT_FALSE(first->Showing());
  EXPECT_TRUE(last->Showing());
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(book->SetActivePage("pgNone"), EInvalidOperation);
  EXPECT_EQ(book->Pages().CommaText(), "pgFirst,pgLast");
  form->Hide();
  EXPECT_FALSE(last->Showing());
}

// A tree with pictures: Base (row 0, level 0) and its child Reports (row 1, level 1).
struct TreeTest : ::testing::Test {
  TApplication app;
  std::unique_ptr<TForm> form = MakeForm<TForm>();
  TImageList* images = form->Make<TImageList>("ImageList");
  TTreeView* tree = form->Make<TTreeView>("ComponentTree");
  TTreeNode* base = nullptr;
  TTreeNode* reports = nullptr;
  int baseData = 1;
  int reportsData = 2;
  void SetUp() override {
    tree->Images = images;
    tree->Width = 300;
    tree->Height = 200;
    base = tree->Items.AddChildObject(nullptr, "Base", &baseData);
    reports = tree->Items.AddChildObject(base, "Reports", &reportsData);
  }
};

TEST_F(TreeTest, TheHitTestTellsThePictureFromTheText) {
  // Indent 19: level 0 has its button in 0..18 and its picture in 19..34; level 1 one indent on.
  struct Case {
    int x, y;
    THitTests hit;
    TTreeNode* TreeTest::*node;
  } const cases[] = {
      {25, 8, htOnItem | htOnIcon, &TreeTest::base},
      {40, 8, htOnItem | htOnLabel, &TreeTest::base},
      {10, 8, htOnButton, &TreeTest::base},
      {44, 24, htOnItem | htOnIcon, &TreeTest::reports},
      {30, 24, htOnIndent, &TreeTest::reports},
      {60, 24, htOnItem | htOnLabel, &TreeTest::reports},
      {250, 24, htOnRight, &TreeTest::reports},
      {20, 40, htNowhere, nullptr},
      {20, -1, htAbove, nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tree->GetHitTestInfoAt(c.x, c.y), c.hit) << c.x << "," << c.y;
    EXPECT_EQ(tree->GetNodeAt(c.x, c.y), c.node ? this->*c.node : nullptr) << c.x << "," << c.y;
  }
  int x = 0, y = 0;
  ASSERT_TRUE(tree->IconPoint(reports, x, y));
  EXPECT_EQ(tree->GetHitTestInfoAt(x, y), htOnItem | htOnIcon);
  ASSERT_TRUE(tree->LabelPoint(reports, x, y));
  EXPECT_EQ(tree->GetHitTestInfoAt(x, y), htOnItem | htOnLabel);
  base->Collapse(false);
  EXPECT_FALSE(tree->IconPoint(reports, x, y));
  EXPECT_EQ(tree->GetHitTestInfoAt(44, 24), htNowhere);
}

TEST_F(TreeTest, MousePressesSelectAndReachTheHandler) {
  std::vector<TTreeNode*> changes;
  tree->OnChange = [&](TObject*, TTreeNode* node) { changes.push_back(node); };
  std::vector<TMouseButton> presses;
  tree->OnMouseDown = [&](TObject*, TMouseButton button, TShiftState, int, int) {
    presses.push_back(button);
  };
  tree->MouseDown(mbRight, ssRight, 44, 24);  // no right-click select
  EXPECT_EQ(tree->Selected(), nullptr);
  tree->MouseDown(mbLeft, ssLeft, 44, 24);
  EXPECT_EQ(tree->Selected(), reports);
  tree->RightClickSelect = true;
  tree->MouseDown(mbRight, ssRight, 25, 8);
  EXPECT_EQ(tree->Selected(), base);
  EXPECT_EQ(changes, (std::vector<TTreeNode*>{reports, base}));
  EXPECT_EQ(presses, (std::vector<TMouseButton>{mbRight, mbLeft, mbRight}));
  // Clearing drops the selection without a change event (the handlers read item data).
  tree->Items.Clear();
  EXPECT_EQ(tree->Selected(), nullptr);
  EXPECT_EQ(changes.size(), 2u);
  EXPECT_EQ(tree->Items.Count(), 0);
}

TEST_F(TreeTest, ItemsKeepTheirOrderDataAndPictures) {
  TTreeNode* tools = tree->Items.AddObject(base, "Tools", nullptr);
  TTreeNode* letters = tree->Items.AddChild(reports, "Letters");
  std::vector<std::string> order;
  for (TTreeNode* n = tree->Items.GetFirstNode(); n; n = n->GetNext()) order.push_back(n->Text);
  EXPECT_EQ(order, (std::vector<std::string>{"Base", "Reports", "Letters", "Tools"}));
  EXPECT_EQ(tree->Items.Count(), 4);
  EXPECT_EQ(tree->Items.Item(2), letters);
  EXPECT_EQ(letters->Parent(), reports);
  EXPECT_EQ(letters->Level(), 2);
  EXPECT_EQ(tools->Index(), 1);
  EXPECT_EQ(reports->Data, &reportsData);
  tree->OnGetImageIndex = [](TObject*, TTreeNode* n) { n->ImageIndex = n->Level(); };
  tree->OnGetSelectedIndex = [](TObject*, TTreeNode* n) { n->SelectedIndex = n->ImageIndex; };
  tree->SetSelected(letters);
  EXPECT_EQ(tree->ShownImageIndex(letters), 2);
  EXPECT_EQ(tree->ShownImageIndex(reports), 1);
  reports->Delete();
  EXPECT_EQ(tree->Selected(), nullptr);  // the selected item went with its parent
  EXPECT_EQ(tree->Items.Count(), 2);
  tree->Items.BeginUpdate();
  EXPECT_TRUE(tree->Items.Updating());
  tree->Items.EndUpdate();
  EXPECT_FALSE(tree->Items.Updating());
}

TEST(ProgressBar, StaysInItsRange) {
  TApplication app;
  auto form = MakeForm<TForm>();
  TProgressBar* bar = form->Make<TProgressBar>("ProgressBar");
  bar->Step = 1;
  bar->SetPosition(150);
  EXPECT_EQ(bar->Position(), 100);
  bar->SetPosition(-5);
  EXPECT_EQ(bar->Position(), 0);
  bar->StepIt();
  EXPECT_EQ(bar->Position(), 1);
}

TEST(Bitmap, KeepsTheSizeAndBytesOfABmp) {
  std::string fixture = NIV_SOURCE_DIR "/tests/forms/fixtures/red3x2.bmp";
  TBitmap bitmap;
  // The fixture is read as a host file through its bytes; machine files go through LoadFromFile.
  FILE* f = std::fopen(fixture.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::string bytes(78, '\0');
  ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
  bitmap.LoadFromBytes(bytes);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.Bytes(), bytes);

  bitmap.LoadFromResourceName("TESTPICTURE");  // compiled into the test
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_THROW(bitmap.LoadFromResourceName("NOSUCHPICTURE"), EInvalidGraphic);
  for (std::string broken :
       {std::string("GIF89a"), bytes.substr(0, 20), "BM" + bytes.substr(2, 8)}) {
    EXPECT_THROW(bitmap.LoadFromBytes(broken), EInvalidGraphic);
  }
  EXPECT_EQ(bitmap.Width(), 3);  // a failed load keeps the picture
}

}  // namespace
}  // namespace forms
