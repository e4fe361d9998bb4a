// Diagram data files: exact bytes, round trip of a panel grid, failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "engine/plot/graph_model.h"

namespace grainix {
namespace {

std::string tempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("grainix_ddf_" + name)).string();
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(PlotDdf, WritesTheExactBytes) {
  Graph2DModel m;
  m.resize(800, 600);
  m.insertData(std::vector<double>{0.5, 1e-5, 123456789.125}, std::vector<double>{-2, 0.1, 3});
  m.setColor(makeColor(255, 0, 128));
  m.setStyle(dsComb);
  m.setPenWidth(2);
  m.setAxisXTitle("Distance r");
  m.setAxisYTitle("");
  const std::string path = tempPath("bytes.ddf");
  ASSERT_TRUE(m.saveDataToFile(path));
  EXPECT_EQ(readFile(path),
            "1#1\n"
            "\n0#0#0#0#Distance r##1\n"
            "\n3#8388863#3#2\n"
            "0.5\t-2\n"
            "1E-5\t0.1\n"
            "123456789.125\t3\n");
  std::remove(path.c_str());
}

TEST(PlotDdf, GridRoundTripPutsEverySeriesBackIntoItsPanel) {
  Graph2DModel m;
  m.resize(600, 800);
  ASSERT_TRUE(m.divideGraph(2, 1));
  ASSERT_TRUE(m.insertData(std::vector<double>{1, 2, 3}, std::vector<double>{4, 5, 6.25}, 1, 1));
  m.setColor(clRed);
  m.setGraphTitle("top");
  m.setAxisXTitle("x1");
  m.setAxisYTitle("y1");
  ASSERT_TRUE(m.insertData(std::vector<double>{-1, 0}, std::vector<double>{1e300, -3.5e-7}, 2, 1));
  m.setStyle(dsPoint);
  m.setPenWidth(3);
  ASSERT_TRUE(m.insertData(std::vector<double>{7}, std::vector<double>{8}, 2, 1));
  m.setColor(-16777201);  // a system colour: negative values survive
  m.setAxisXTitle("x2");

  const std::string path = tempPath("grid.ddf");
  ASSERT_TRUE(m.saveDataToFile(path));
  const std::string text = readFile(path);
  EXPECT_NE(text.find("\n1#1#0#0#x2#axis#2\n"), std::string::npos);  // row 1, col 0

  Graph2DModel back;
  back.resize(600, 800);
  back.insertData(std::vector<double>{9}, std::vector<double>{9});  // replaced by the load
  ASSERT_EQ(back.loadDataFromFile(path), DdfStatus::Ok);
  EXPECT_EQ(back.rows(), 2u);
  EXPECT_EQ(back.cols(), 1u);
  ASSERT_EQ(back.subGraphs().size(), 2u);
  const TSubGraph& p0 = back.subGraphs()[0];
  const TSubGraph& p1 = back.subGraphs()[1];
  ASSERT_EQ(p0.diagrams.size(), 1u);
  ASSERT_EQ(p1.diagrams.size(), 2u);
  EXPECT_EQ(p0.diagrams[0].x, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(p0.diagrams[0].y, (std::vector<double>{4, 5, 6.25}));
  EXPECT_EQ(p0.diagrams[0].color, clRed);
  EXPECT_EQ(p0.title.text, "top");
  EXPECT_EQ(p0.axisX.title, "x1");
  EXPECT_EQ(p0.axisY.title, "y1");
  EXPECT_EQ(p1.diagrams[0].y, (std::vector<double>{1e300, -3.5e-7}));
  EXPECT_EQ(p1.diagrams[0].style, dsPoint);
  EXPECT_EQ(p1.diagrams[0].penWidth, 3u);
  EXPECT_EQ(p1.diagrams[1].color, -16777201);
  EXPECT_EQ(p1.title.text, "0");
  EXPECT_EQ(p1.axisX.title, "x2");
  EXPECT_EQ(p1.top, 400);
  EXPECT_EQ(p1.height, 400);
  // Saving the loaded control gives the same file.
  EXPECT_EQ(back.ddfText(), text);
  std::remove(path.c_str());
}

TEST(PlotDdf, FailuresLeaveTheControlAsItWas) {
  Graph2DModel m;
  m.insertData(std::vector<double>{1, 2}, std::vector<double>{3, 4});
  EXPECT_EQ(m.loadDataFromFile(tempPath("does-not-exist.ddf")), DdfStatus::FileError);
  EXPECT_FALSE(m.saveDataToFile("/nonexistent-folder/x.ddf"));

  std::string bad;
  EXPECT_EQ(m.loadDdfText("1#1\n\n0#0#0#0#x#y#1\n\n2#0#0#1\n1.5\t2\nabc\t3\n", &bad), DdfStatus::ConversionError);
  EXPECT_EQ(bad, "abc");
  EXPECT_EQ(m.loadDdfText("x#1\n", &bad), DdfStatus::ConversionError);
  EXPECT_EQ(bad, "x");
  EXPECT_EQ(m.loadDdfText("4#1\n"), DdfStatus::FormatError);
  ASSERT_EQ(m.subGraphs().size(), 1u);
  EXPECT_EQ(m.diagram(0).x, (std::vector<double>{1, 2}));
}

TEST(PlotDdf, LenientFieldsTruncatedFilesAndSeparatorsInTitles) {
  Graph2DModel m;
  // Count fields read leniently ("2pts" -> 2), CR LF line ends tolerated,
  // a file that ends before all panels of the grid still loads.
  ASSERT_EQ(m.loadDdfText("2#2\r\n\n0#0#0#T#X#Y#1\n\n2pts#255#9#0\n1\t2\r\n3\t4\n"), DdfStatus::Ok);
  ASSERT_EQ(m.subGraphs().size(), 1u);
  EXPECT_EQ(m.diagram(0).y, (std::vector<double>{2, 4}));
  EXPECT_EQ(m.diagram(0).color, clRed);
  EXPECT_EQ(m.diagram(0).style, dsLine);  // unknown style number
  EXPECT_EQ(m.diagram(0).penWidth, 1u);
  EXPECT_EQ(m.getGraphTitle(), "T");

  // "#" and tabs in a title would split it on reading: written as blanks.
  m.setGraphTitle("a#b\tc");
  EXPECT_NE(m.ddfText().find("#a b c#"), std::string::npos);
}

}  // namespace
}  // namespace grainix
