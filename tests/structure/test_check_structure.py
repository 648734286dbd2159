#!/usr/bin/python3
"""tools/check-structure.py on small source trees with faults planted in them: an include or a
link that goes up a layer, a library the order does not know, one folder holding most of the
code, a chart file too long; and the same trees without the fault pass. The line counter is
checked on the texts that fool a naive one (comment markers inside strings, raw strings and
character literals, block comments over several lines)."""
import importlib.util
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCRIPT = os.path.join(ROOT, "tools", "check-structure.py")

spec = importlib.util.spec_from_file_location("check_structure", SCRIPT)
structure = importlib.util.module_from_spec(spec)
spec.loader.exec_module(structure)


def run(root, check):
    result = subprocess.run([sys.executable, SCRIPT, "--root", root, check],
                            capture_output=True, text=True)
    return result.returncode, result.stderr


class Tree:
    def __init__(self):
        self.dir = tempfile.TemporaryDirectory()
        self.root = self.dir.name

    def __del__(self):
        self.dir.cleanup()

    def write(self, path, text):
        full = os.path.join(self.root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as f:
            f.write(text)

    def code(self, path, lines):
        self.write(path, "".join("int v%d = %d;\n" % (i, i) for i in range(lines)))


def layered_tree():
    tree = Tree()
    tree.write("engine/package/Package.h", "#pragma once\nstruct Package {};\n")
    tree.write("engine/chartmodel/ChartModel.h",
               '#pragma once\n#include "engine/package/Package.h"\n#include <vector>\n')
    tree.write("engine/chartdraw/ChartScene.h",
               '#pragma once\n#include "engine/chartmodel/ChartModel.h"\n')
    tree.write("engine/package/CMakeLists.txt",
               "quillmere_library(quillmere_package LINK Qt6::Core)\n")
    tree.write("engine/chartmodel/CMakeLists.txt",
               "quillmere_library(quillmere_chartmodel\n  LINK quillmere_package)\n")
    tree.write("engine/chartdraw/CMakeLists.txt",
               "# links quillmere_slide one day\n"
               "quillmere_library(quillmere_chartdraw LINK quillmere_chartmodel Qt6::Gui)\n")
    tree.write("tests/chart/CMakeLists.txt",
               "quillmere_library(quillmere_testdoubles LINK quillmere_app)\n")
    tree.write("tests/chart/Test.cpp", '#include "app/Main.h"\n')
    return tree


class Layers(unittest.TestCase):
    def test_includes_and_links_that_point_down_pass(self):
        tree = layered_tree()
        self.assertEqual(run(tree.root, "layers"), (0, ""))

    def test_an_include_of_a_higher_layer_is_named_with_its_line(self):
        tree = layered_tree()
        tree.write("engine/package/Zip.cpp",
                   '#include "engine/package/Package.h"\n  #  include "engine/chartdraw/ChartScene.h"\n')
        code, errors = run(tree.root, "layers")
        self.assertEqual(code, 1)
        self.assertIn("engine/package/Zip.cpp:2:", errors)
        self.assertIn("engine/chartdraw/ChartScene.h", errors)

    def test_a_link_to_a_higher_library_fails(self):
        tree = layered_tree()
        tree.write("engine/chartmodel/CMakeLists.txt",
                   "quillmere_library(quillmere_chartmodel LINK quillmere_package\n"
                   "  quillmere_chartcopy)\n")
        code, errors = run(tree.root, "layers")
        self.assertEqual(code, 1)
        self.assertIn("quillmere_chartmodel links quillmere_chartcopy", errors)

    def test_a_library_without_a_place_in_the_order_fails(self):
        tree = layered_tree()
        tree.write("engine/charts3d/CMakeLists.txt", "quillmere_library(quillmere_charts3d)\n")
        code, errors = run(tree.root, "layers")
        self.assertEqual(code, 1)
        self.assertIn("quillmere_charts3d has no place", errors)

    def test_the_real_order_matches_the_folders_the_build_adds(self):
        # Every library the source tree declares has its place; the order of the check is the
        # order of add_subdirectory in engine/ and at the top.
        declared = [folder for _, folder in structure.LAYERS]
        for top in ("CMakeLists.txt", "engine/CMakeLists.txt"):
            with open(os.path.join(ROOT, top), encoding="utf-8") as f:
                text = f.read()
            prefix = "" if top == "CMakeLists.txt" else "engine/"
            added = [prefix + line.strip()[len("add_subdirectory("):-1]
                     for line in text.splitlines() if line.strip().startswith("add_subdirectory(")]
            added = [folder for folder in added if folder in declared]
            self.assertEqual(added, sorted(added, key=declared.index), top)


class Share(unittest.TestCase):
    def test_one_folder_with_most_of_the_code_fails(self):
        tree = Tree()
        for folder in ["app", "cli", "office", "platform", "refresh", "servers"]:
            tree.code(folder + "/A.cpp", 10)
        tree.code("engine/chartdraw/Big.cpp", 20)
        code, errors = run(tree.root, "share")
        self.assertEqual(code, 1)
        self.assertIn("engine/chartdraw holds 25.0 %", errors)

    def test_comments_blanks_tests_and_tools_do_not_count(self):
        tree = Tree()
        for folder in ["app", "cli", "office", "platform", "refresh", "servers", "transfer"]:
            tree.code(folder + "/A.cpp", 10)
        tree.write("engine/chartdraw/Doc.h",
                   "// one\n\n/* two\n three */\nint x;\n" + "// more\n" * 500)
        tree.code("tests/chart/Huge.cpp", 1000)
        tree.code("bench/chart/Huge.cpp", 1000)
        tree.code("tools/Huge.cpp", 1000)
        # Build folders of any name (the sanitizer build's build-sanitize, say) hold generated
        # sources, not the program's.
        tree.write("build-sanitize/CMakeCache.txt", "")
        tree.code("build-sanitize/engine/Unity/unity_0_cxx.cxx.h", 1000)
        self.assertEqual(run(tree.root, "share"), (0, ""))
        self.assertEqual(structure.lines_per_folder(tree.root)["engine/chartdraw"], 1)


class Length(unittest.TestCase):
    def test_a_chart_file_over_the_limit_fails_other_folders_are_free(self):
        tree = Tree()
        tree.write("engine/chartdraw/Fine.cpp", "\n" * 900)
        tree.write("engine/slide/Long.cpp", "\n" * 2000)
        self.assertEqual(run(tree.root, "length"), (0, ""))
        tree.write("engine/chartcopy/Long.h", "x\n" * 901)
        code, errors = run(tree.root, "length")
        self.assertEqual(code, 1)
        self.assertIn("engine/chartcopy/Long.h has 901 lines", errors)
        self.assertNotIn("Fine.cpp", errors)


class CodeLines(unittest.TestCase):
    def test_comment_markers_inside_literals_are_code(self):
        self.assertEqual(structure.code_lines('const char* u = "http://a/*b";\n'), 1)
        self.assertEqual(structure.code_lines("char c = '/'; // note\n/* x */\n"), 1)
        self.assertEqual(structure.code_lines('auto r = R"(// not\n/* a comment */)";\n'), 2)
        self.assertEqual(structure.code_lines('auto r = R"x()" // )x";\n'), 1)

    def test_block_comments_and_blank_lines_are_not_code(self):
        text = "/*\n * one\n */\n\n   \nint a; /* tail\n more */ int b;\n// end"
        self.assertEqual(structure.code_lines(text), 2)

    def test_digit_separators_do_not_open_a_character_literal(self):
        self.assertEqual(structure.code_lines("int n = 1'000'000; // big\n// c\nint m;\n"), 2)


if __name__ == "__main__":
    unittest.main()
