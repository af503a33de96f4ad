#!/usr/bin/env python3
"""Copies real PDFs that Debian packages ship under a free licence into a
corpus that bench/corpus/score.py scores, with their truth as read off
their first pages by hand.

    bench/corpus/debian_pdfs.py OUT

writes OUT/archive/Debian/Docs/PACKAGE-NAME.pdf and OUT/truth.json (the
fields each first page shows; the class is the package). The PDFs come
with R (r-base-core: the vignettes of grid, parallel and utils, GPL-2+)
and the packages r-cran-zoo, r-cran-sandwich, r-cran-lmtest and
r-cran-strucchange (GPL-2/3); a PDF whose package is not installed is
left out. Their document information is empty for some (grid, lmtest,
strucchange), so that the first page alone must give the fields.
"""

import json
import os
import shutil
import sys

R = "/usr/lib/R/library"
SITE = "/usr/lib/R/site-library"
MURRELL = ["Paul Murrell"]

# The abstracts as the pages print them, ligatures and all mended.
SANDWICH = (
    "This introduction to the R package sandwich is a (slightly) modified version of Zeileis "
    "(2004), published in the Journal of Statistical Software. A follow-up paper on object "
    "object-oriented computation of sandwich estimators is available in (Zeileis 2006b). Data "
    "described by econometric models typically contains autocorrelation and/or "
    "heteroskedasticity of unknown form and for inference in such models it is essential to use "
    "covariance matrix estimators that can consistently estimate the covariance of the model "
    "parameters. Hence, suitable heteroskedasticity-consistent (HC) and heteroskedasticity and "
    "autocorrelation consistent (HAC) estimators have been receiving attention in the "
    "econometric literature over the last 20 years. To apply these estimators in practice, an "
    "implementation is needed that preferably translates the conceptual properties of the "
    "underlying theoretical frameworks into computational tools. In this paper, such an "
    "implementation in the package sandwich in the R system for statistical computing is "
    "described and it is shown how the suggested functions provide reusable components that "
    "build on readily existing functionality and how they can be integrated easily into new "
    "inferential procedures or applications. The toolbox contained in sandwich is extremely "
    "flexible and comprehensive, including specific functions for the most important HC and HAC "
    "estimators from the econometric literature. Several real-world data sets are used to "
    "illustrate how the functionality can be integrated into applications.")
SANDWICH_OOP = (
    "This introduction to the object-orientation features of the R package sandwich is a "
    "(slightly) modified version of Zeileis (2006), published in the Journal of Statistical "
    "Software. Sandwich covariance matrix estimators are a popular tool in applied regression "
    "modeling for performing inference that is robust to certain types of model "
    "error. Suitable implementations are available in the R system for statistical "
    "computing for certain model fitting functions only (in particular lm()), but not for other "
    "standard regression functions, such as glm(), nls(), or survreg(). Therefore, conceptual "
    "tools and their translation to computational tools in the package sandwich are discussed, "
    "enabling the computation of sandwich estimators in general parametric models. Object "
    "orientation can be achieved by providing a few extractor functions—most importantly for the "
    "empirical estimating functions—from which various types of sandwich estimators can be "
    "computed.")
SANDWICH_CL = (
    "This introduction to the object-oriented implementation of clustered covariances in the R "
    "package sandwich is a (slightly) modified version of Zeileis, Köll, and Graham (2020), "
    "published in the Journal of Statistical Software. Clustered covariances or clustered "
    "standard errors are very widely used to account for correlated or clustered data, "
    "especially in economics, political sciences, and other social sciences. They are employed "
    "to adjust the inference following estimation of a standard least-squares regression or "
    "generalized linear model estimated by maximum likelihood. Although many publications just "
    "refer to “the” clustered standard errors, there is a surprisingly wide variety of clustered "
    "covariances, particularly due to different flavors of bias corrections. Furthermore, while "
    "the linear regression model is certainly the most important application case, the same "
    "strategies can be employed in more general models (e.g., for zero-inflated, censored, or "
    "limited responses). In R, functions for covariances in clustered or panel models have been "
    "somewhat scattered or available only for certain modeling functions, notably the "
    "(generalized) linear regression model. In contrast, an object-oriented approach to "
    "“robust” covariance matrix estimation – applicable beyond lm() and glm() – is available in "
    "the sandwich package but has been limited to the case of cross-section or time series "
    "data. Starting with sandwich 2.4.0, this shortcoming has been corrected: Based on methods "
    "for two generic functions (estfun() and bread()), clustered and panel covariances are "
    "provided in vcovCL(), vcovPL(), and vcovPC(). Moreover, clustered bootstrap covariances are "
    "provided in vcovBS(), using model update() on bootstrap samples. These are directly "
    "applicable to models from packages including MASS, pscl, countreg, and betareg, among many "
    "others. Some empirical illustrations are provided as well as an assessment of the methods’ "
    "performance in a simulation study.")
ZOO = (
    "A previous version to this introduction to the R package zoo has been published as Zeileis "
    "and Grothendieck (2005) in the Journal of Statistical Software. zoo is an R package "
    "providing an S3 class with methods for indexed totally ordered observations, such as "
    "discrete irregular time series. Its key design goals are independence of a particular "
    "index/time/date class and consistency with base R and the \"ts\" class for regular time "
    "series. This paper describes how these are achieved within zoo and provides several "
    "illustrations of the available methods for \"zoo\" objects which include plotting, merging "
    "and binding, several mathematical operations, extracting and replacing data and index, "
    "coercion and NA handling. A subclass \"zooreg\" embeds regular time series into the \"zoo\" "
    "framework and thus bridges the gap between regular and irregular time series classes in R.")
ZOO_READ = (
    "This vignette gives examples of how to read data in various formats in the zoo package "
    "using the read.zoo() function. The function read.zoo() function expects either a text file "
    "(or text connection) as input or data frame. The former case is handled by first using "
    "read.table() to produce the data frame. (Instead of a text file, the text argument can be "
    "used to read a text string that is already stored in R which is used in the examples of "
    "this vignette.) Subsequently, read.zoo() provides a wide collection of convenience "
    "functionality to turn that data frame into a ‘zoo’ series with a specific structure and a "
    "specific time index. In this vignette, an overview is provided of the wide variety of cases "
    "that can be handled with read.zoo(). All examples assume that zoo is already loaded and (if "
    "necessary) that the chron package has been loaded as well. Note that functions "
    "read.csv.zoo(), read.csv2.zoo(), read.delim.zoo(), and read.delim2.zoo() are available "
    "that call the respective read.*() function instead of read.table() and subsequently "
    "read.zoo(). However, these convenience interfaces are not employed in this vignette in "
    "order to demonstrate setting all arguments ‘by hand’.")
STRUCCHANGE = (
    "This introduction to the R package strucchange is a (slightly) modified version of "
    "Zeileis, Leisch, Hornik, and Kleiber (2002), which reviews tests for structural change in "
    "linear regression models from the generalized fluctuation test framework as well as from "
    "the F test (Chow test) framework. Since Zeileis et al. (2002) various extensions were added "
    "to the package, in particular related to breakpoint estimation (also know as dating, "
    "discussed in Zeileis, Kleiber, Krämer, and Hornik 2003) and to structural change tests in "
    "other parametric models (Zeileis 2006). A more unifying view of the underlying theory is "
    "presented in Zeileis (2005) and Zeileis, Shah, and Patnaik (2010). Here, we focus on the "
    "linear regression model and introduce a unified approach for implementing tests from the "
    "fluctuation test and F test framework for this model, illustrating how this approach has "
    "been realized in strucchange. Enhancing the standard significance test approach the "
    "package contains methods to fit, plot and test empirical fluctuation processes (like "
    "CUSUM, MOSUM and estimates-based processes) and to compute, plot and test sequences of F "
    "statistics with the supF, aveF and expF test. Thus, it makes powerful tools available to "
    "display information about structural changes in regression relationships and to assess "
    "their significance. Furthermore, it is described how incoming data can be monitored.")

# (package, path, truth)
PDFS = [
    ("r-base-core", R + "/grid/doc/grid.pdf", dict(title="grid Graphics", authors=MURRELL)),
    ("r-base-core", R + "/grid/doc/displaylist.pdf",
     dict(title="Display Lists in grid", authors=MURRELL)),
    ("r-base-core", R + "/grid/doc/frame.pdf",
     dict(title="A GUI-Builder Approach to grid Graphics", authors=MURRELL)),
    ("r-base-core", R + "/grid/doc/grobs.pdf", dict(title="Modifying grid grobs", authors=MURRELL)),
    ("r-base-core", R + "/grid/doc/interactive.pdf",
     dict(title="An Example of Interactive Graphics Editing in grid", authors=MURRELL)),
    ("r-base-core", R + "/grid/doc/locndimn.pdf",
     dict(title="The difference between Locations and Dimensions in grid", authors=MURRELL)),
    ("r-base-core", R + "/grid/doc/moveline.pdf",
     dict(title="Drawing Lines Between Viewports: grid.move.to and grid.line.to",
          authors=MURRELL)),
    ("r-base-core", R + "/grid/doc/nonfinite.pdf",
     dict(title="How grid Responds to Non-Finite Values", authors=MURRELL)),
    ("r-base-core", R + "/grid/doc/plotexample.pdf",
     dict(title="Writing grid Code", authors=MURRELL)),
    ("r-base-core", R + "/grid/doc/rotated.pdf", dict(title="Rotated Viewports", authors=MURRELL)),
    ("r-base-core", R + "/grid/doc/saveload.pdf",
     dict(title="Saving and Loading grid Graphics", authors=MURRELL)),
    ("r-base-core", R + "/grid/doc/sharing.pdf",
     dict(title="An Example of “Linking” Graphical Objects in grid", authors=MURRELL)),
    ("r-base-core", R + "/grid/doc/viewports.pdf",
     dict(title="Working with grid Viewports", authors=MURRELL)),
    ("r-base-core", R + "/parallel/doc/parallel.pdf",
     dict(title="Package ‘parallel’", authors=["R Core Team"])),
    ("r-base-core", R + "/utils/doc/Sweave.pdf",
     dict(title="Sweave User Manual", authors=["Friedrich Leisch", "R Core Team"])),
    ("r-cran-sandwich", SITE + "/sandwich/doc/sandwich.pdf",
     dict(title="Econometric Computing with HC and HAC Covariance Matrix Estimators",
          authors=["Achim Zeileis"], abstract=SANDWICH)),
    ("r-cran-sandwich", SITE + "/sandwich/doc/sandwich-OOP.pdf",
     dict(title="Object-Oriented Computation of Sandwich Estimators", authors=["Achim Zeileis"],
          abstract=SANDWICH_OOP)),
    ("r-cran-sandwich", SITE + "/sandwich/doc/sandwich-CL.pdf",
     dict(title="Various Versatile Variances: An Object-Oriented Implementation of Clustered "
          "Covariances in R", authors=["Achim Zeileis", "Susanne Köll", "Nathaniel Graham"],
          abstract=SANDWICH_CL)),
    ("r-cran-zoo", SITE + "/zoo/doc/zoo.pdf",
     dict(title="zoo: An S3 Class and Methods for Indexed Totally Ordered Observations",
          authors=["Achim Zeileis", "Gabor Grothendieck"], abstract=ZOO)),
    ("r-cran-zoo", SITE + "/zoo/doc/zoo-design.pdf",
     dict(title="zoo Design", authors=["zoo Development Team"],
          abstract="This is a set of design principles that – albeit not having been explicitly "
          "set out initially – have guided the development of the R zoo package.")),
    ("r-cran-zoo", SITE + "/zoo/doc/zoo-faq.pdf",
     dict(title="zoo FAQ", authors=["zoo Development Team"],
          abstract="This is a collection of frequently asked questions (FAQ) about the zoo "
          "package together with their answers.")),
    ("r-cran-zoo", SITE + "/zoo/doc/zoo-quickref.pdf",
     dict(title="zoo Quick Reference",
          authors=["Ajay Shah", "Achim Zeileis", "Gabor Grothendieck"],
          abstract="This vignette gives a brief overview of (some of) the functionality "
          "contained in zoo including several nifty code snippets when dealing with (daily) "
          "financial data. For a more complete overview of the package’s functionality and "
          "extensibility see Zeileis and Grothendieck (2005) (contained as vignette “zoo” in the "
          "package), the manual pages and the reference card.")),
    ("r-cran-zoo", SITE + "/zoo/doc/zoo-read.pdf",
     dict(title="Reading Data in zoo", authors=["Gabor Grothendieck", "Achim Zeileis"],
          abstract=ZOO_READ)),
    ("r-cran-lmtest", SITE + "/lmtest/doc/lmtest-intro.pdf",
     dict(title="Diagnostic Checking in Regression Relationships",
          authors=["Achim Zeileis", "Torsten Hothorn"])),
    ("r-cran-strucchange", SITE + "/strucchange/doc/strucchange-intro.pdf",
     dict(title="strucchange: An R Package for Testing for Structural Change in Linear "
          "Regression Models",
          authors=["Achim Zeileis", "Friedrich Leisch", "Kurt Hornik", "Christian Kleiber"],
          abstract=STRUCCHANGE)),
]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    folder = os.path.join(out, "archive", "Debian", "Docs")
    os.makedirs(folder, exist_ok=True)
    truth = {}
    for package, path, fields in PDFS:
        if not os.path.exists(path):
            continue
        stem = os.path.basename(os.path.dirname(os.path.dirname(path)))
        name = "%s-%s" % (stem, os.path.basename(path))
        shutil.copy(path, os.path.join(folder, name))
        truth[name] = dict(fields, cls=package)
    with open(os.path.join(out, "truth.json"), "w", encoding="utf-8") as f:
        json.dump(truth, f, ensure_ascii=False, indent=1, sort_keys=True)
    print("%d PDFs in %s" % (len(truth), os.path.join(out, "archive")))


if __name__ == "__main__":
    main()
