// Opens a workbook with Apache POI's HSSF reader and reads every cell, as a
// program that imports the export would; prints the number of cells.
import java.io.File;

import org.apache.poi.hssf.usermodel.HSSFWorkbook;
import org.apache.poi.poifs.filesystem.POIFSFileSystem;
import org.apache.poi.ss.usermodel.Cell;
import org.apache.poi.ss.usermodel.Row;
import org.apache.poi.ss.usermodel.Sheet;

public class PoiRead {
    public static void main(String[] args) throws Exception {
        long cells = 0;
        try (POIFSFileSystem fs = new POIFSFileSystem(new File(args[0]), true);
             HSSFWorkbook book = new HSSFWorkbook(fs)) {
            for (Sheet sheet : book) {
                for (Row row : sheet) {
                    for (Cell cell : row) {
                        switch (cell.getCellType()) {
                        case STRING:
                            cells += cell.getStringCellValue().isEmpty() ? 0 : 1;
                            break;
                        case NUMERIC:
                            cells += Double.isNaN(cell.getNumericCellValue()) ? 0 : 1;
                            break;
                        default:
                            break;
                        }
                    }
                }
            }
        }
        System.out.println(cells);
    }
}
