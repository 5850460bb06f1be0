// Runs EPUBCheck on every book named, in one Java process: each start of the
// checker costs seconds. Exit 0 only when no book has an error or a warning.
import com.adobe.epubcheck.tool.EpubChecker;

public class EpubCheckAll {
    public static void main(String[] args) {
        int failed = 0;
        for (String book : args)
            if (new EpubChecker().run(new String[] {book, "--failonwarnings"}) != 0) ++failed;
        System.exit(failed == 0 ? 0 : 1);
    }
}
